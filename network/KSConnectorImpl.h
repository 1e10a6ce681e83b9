// The connector over one persistent libcurl easy handle: URL settings, the transfer, and the
// protocol operations built on it.
#pragma once

#include "network/CurlHandle.h"
#include "network/HttpResponse.h"
#include "network/KSConnector.h"
#include "network/Scheme.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace KSNetwork {

class KSConnectorImpl : public KSConnector {
public:
    using Parameters = std::map<std::string, std::string>;

    // Reads scheme, host, port and path out of url (see createConnector for the failures), then
    // makes the easy handle that every request of this connector reuses.
    explicit KSConnectorImpl(const std::string &url);
    KSConnectorImpl(const KSConnectorImpl &) = delete;
    KSConnectorImpl &operator=(const KSConnectorImpl &) = delete;

    void setVerbose(bool flag) override;
    void setCaFile(const std::string &path) override;
    bool sendCustomMessage(const CustomMessage &message, std::string &reply) override;
    bool downloadFile(const std::string &filePath, std::vector<char> *buffer) override;
    bool downloadSiteFile(const std::string &fileName, std::vector<char> *buffer) override;
    bool downloadSiteFile(const std::string &fileName, DownloadSink &sink) override;
    std::int32_t getProgress() const override;
    bool authenticate(std::string user, std::string pass, AuthStatus *status) override;
    bool checkVersion(const std::string &launcherVersion, const std::string &manifestVersion,
                      ServerStatus *launcherStatus, ServerStatus *manifestStatus) override;
    void getCredentials(std::string &user, std::string &pass) const override;
    void setCredentials(const std::string &user, const std::string &pass) override;
    void setProgressCallback(std::function<void()> callback) override;
    void setTransferSettings(const TransferSettings &settings) override;
    void setKeepAlive(std::function<bool()> keepAlive) override;
    void setRetryNotice(std::function<void()> notice) override;

    // Stores value as the progress, then calls the progress callback if one is set.
    void reportProgress(std::int32_t value);

    // GETs the URL with parameters as its query into *response (its sink if it has one, else its
    // body). False, with nothing sent, when a download is requested while a transfer runs, and
    // false when the sink refused a chunk. Throws std::runtime_error "Error %d in processing
    // request : %s." for a failed transfer (also for a text transfer requested while one runs),
    // or the failure a callback raised.
    bool transfer(Parameters parameters, HttpResponse *response);
    // transfer with the retries of the settings: a download's sink (response->sink) is continued
    // with a Range request where it can be. A time-out is tried again only when timeOutsToo.
    // Whatever the last try gave reaches the caller: its result, its failure, or its response
    // (a 206 that completed the file reads as 200).
    bool request(const Parameters &parameters, HttpResponse &response, bool timeOutsToo);

    const std::string &getHost() const { return host; }
    const std::string &getPath() const { return path; }
    std::int32_t getPort() const { return port; }
    Scheme getScheme() const { return scheme; }

private:
    void parseUrl(const std::string &url);
    std::string requestUrl(const Parameters &parameters) const;
    void setTransferOptions(const std::string &url, HttpResponse *response);
    // Waits before try number attempt + 1 while keeping the window alive; throws the cancelled
    // transfer's error when the keep-alive routine asks to stop.
    void waitBeforeRetry(unsigned attempt);

    bool verbose = false;
    std::string caFile;
    CurlHandle handle;
    std::string logText;
    std::string userName;
    std::string password;
    std::string host;
    std::string path;
    std::int32_t port = 0;
    Scheme scheme = Scheme::Http;
    std::function<void()> progressCallback;
    std::int32_t progress = 0;
    TransferSettings settings;
    std::function<bool()> keepAlive;
    std::function<void()> retryNotice;
    // The extra request headers of the running transfer (If-Range).
    CurlHeaders requestHeaders;
    // Whether curl_easy_perform is running on the handle; the callbacks can re-enter meanwhile.
    bool performing = false;
};

} // namespace KSNetwork
