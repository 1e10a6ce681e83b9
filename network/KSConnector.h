// The launcher's connection to the game's server script: login, version check, downloads and
// custom messages. Replies that break the protocol and failed transfers raise standard exceptions
// whose texts the launcher shows to the user.
#pragma once

#include "network/AuthStatus.h"
#include "network/CustomMessage.h"
#include "network/ServerStatus.h"
#include "network/TransferSettings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace KSNetwork {

class DownloadSink;

class KSConnector {
public:
    virtual ~KSConnector() = default;

    // Turns libcurl's verbose output on for every later request.
    virtual void setVerbose(bool verbose) = 0;
    // Trusts only the certificate authorities of the PEM bundle at path (a native path) for
    // HTTPS from now on, instead of the system's store. Certificates and host names are verified
    // either way; an unreadable bundle fails every HTTPS request.
    virtual void setCaFile(const std::string &path) = 0;
    // Sends action with the stored values the message asks for and its parameters (values
    // percent-encoded). On status 200 reply becomes the trimmed body and the result is true;
    // otherwise false, reply untouched. Throws only for transport and status-line failures.
    virtual bool sendCustomMessage(const CustomMessage &message, std::string &reply) = 0;
    // Appends the body found at path (absolute, or appended to the script's path; empty: the
    // script itself) to *buffer, which must not be null. False when refused because a buffer
    // download is already running. Throws for any status other than 200.
    virtual bool downloadFile(const std::string &path, std::vector<char> *buffer) = 0;
    // Appends the release file fileName to *buffer (not null), without its trailing line ends.
    // False when refused because a download is already running. Throws for any status other
    // than 200 (401: not authorized, 404: file not found).
    virtual bool downloadSiteFile(const std::string &fileName, std::vector<char> *buffer) = 0;
    // The same into sink, chunk by chunk as the body arrives; the trailing line ends are dropped
    // at the end (DownloadSink::dropLast). Also false when the sink refused a chunk or the drop,
    // which ends the transfer there; the sink knows why.
    virtual bool downloadSiteFile(const std::string &fileName, DownloadSink &sink) = 0;
    // Bytes received so far by the running download; 0 when none runs.
    virtual std::int32_t getProgress() const = 0;
    // Logs in with these credentials (they are not stored) and fills *status (not null). Returns
    // whether the server accepted them; throws for a status other than 200 or a malformed reply.
    virtual bool authenticate(std::string userName, std::string password, AuthStatus *status) = 0;
    // Reports both versions; fills both statuses (not null) and returns the manifest status's ok.
    // Throws for a status other than 200 or a malformed reply.
    virtual bool checkVersion(const std::string &launcherVersion,
                              const std::string &manifestVersion, ServerStatus *launcherStatus,
                              ServerStatus *manifestStatus) = 0;
    // Copies out the stored credentials.
    virtual void getCredentials(std::string &userName, std::string &password) const = 0;
    // Stores the credentials sent by the version check and the downloads.
    virtual void setCredentials(const std::string &userName, const std::string &password) = 0;
    // Stores the routine called after every received chunk of a download (may be empty).
    // An exception it throws ends the download and reaches the download's caller.
    virtual void setProgressCallback(std::function<void()> callback) = 0;

    // Time-outs and retries of every later request. A transient failure (connection refused or
    // reset, a cut body, a 5xx status, and for downloads a time-out) is tried again after the
    // waits the settings give; a download continues from the bytes its sink holds. Only the last
    // failure reaches the caller.
    virtual void setTransferSettings(const TransferSettings &settings) = 0;
    // Stores the routine called often during every transfer (also while nothing arrives) and
    // every wait before a retry, to keep the window alive; its true cancels the request, which
    // then fails with error 42. May be empty.
    virtual void setKeepAlive(std::function<bool()> keepAlive) = 0;
    // Stores the routine called before each wait for a retry (may be empty).
    virtual void setRetryNotice(std::function<void()> notice) = 0;
};

// A connector for url (scheme://host[:port][/path]). Throws std::runtime_error "Invalid URL. "
// + url without a colon, std::invalid_argument "Invalid Scheme: " or "Invalid port number: ".
std::unique_ptr<KSConnector> createConnector(std::string url);

} // namespace KSNetwork
