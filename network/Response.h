// What one request brings back: header lines, and a body collected as text or into a byte buffer.
#pragma once

#include "network/TrailingLineEnds.h"

#include <curl/curl.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace KSNetwork {

class DownloadSink;
class KSConnectorImpl;

class Response {
public:
    // Every header line in arrival order, each as libcurl delivered it (with its CR LF).
    std::vector<std::string> headers;
    // Where the body goes in a download, or none for a text body.
    DownloadSink *sink = nullptr;
    // The body when no sink is given.
    std::string body;
    // The connector running a download; none for a text transfer.
    KSConnectorImpl *connector = nullptr;
    // Body bytes the sink took so far.
    std::uint64_t received = 0;
    // The line ends at the end of what the sink took.
    TrailingLineEnds lineEnds;
    // Set when the sink refused a chunk; the transfer was stopped there.
    bool sinkRefused = false;
    // Ask for the file from this byte on, with this If-Range validator (0: the whole file).
    std::uint64_t rangeFrom = 0;
    std::string ifRange;
    // Called often while the transfer runs, also while nothing arrives; true cancels it. None:
    // the transfer is never cancelled.
    const std::function<bool()> *keepAlive = nullptr;
    // A failure raised inside a libcurl callback. It cannot unwind through libcurl's C frames, so
    // it is kept here while libcurl aborts, and the transfer raises it once libcurl has returned.
    std::exception_ptr failure;

    // Called with each header line right after it joined headers.
    virtual void onHeaderLine(const std::string &line) = 0;

    // libcurl callbacks; userdata is the Response. They consume every byte, or, once a failure is
    // recorded, nothing (which makes libcurl abort the transfer).
    // Text sink: appends the block to body up to its first zero byte.
    static std::size_t writeText(char *data, std::size_t size, std::size_t count, void *userdata);
    // Download sink: hands the block to sink, then reports the bytes received as progress.
    static std::size_t writeSink(char *data, std::size_t size, std::size_t count, void *userdata);
    // Header handler: records the line (up to a zero byte) and hands it to onHeaderLine.
    static std::size_t receiveHeader(char *data, std::size_t size, std::size_t count,
                                     void *userdata);
    // Progress handler (libcurl's transfer-info callback): runs keepAlive; non-zero aborts.
    static int keepTransferAlive(void *userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

protected:
    Response() = default;
    Response(const Response &) = default;
    Response &operator=(const Response &) = default;
    // Not virtual: responses are always local objects of their concrete type.
    ~Response() = default;

private:
    // Tells the sink the length a Content-Length line announces.
    void announceContentLength(const std::string &line);
};

} // namespace KSNetwork
