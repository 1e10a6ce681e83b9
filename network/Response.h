// What one request brings back: header lines, and a body collected as text or into a byte buffer.
#pragma once

#include <cstddef>
#include <exception>
#include <string>
#include <vector>

namespace KSNetwork {

class KSConnectorImpl;

class Response {
public:
    // Every header line in arrival order, each as libcurl delivered it (with its CR LF).
    std::vector<std::string> headers;
    // The caller's buffer that receives the body, or none for a text body.
    std::vector<char> *buffer = nullptr;
    // The body when no buffer is given.
    std::string body;
    // The connector running a buffer download; none for a text transfer.
    KSConnectorImpl *connector = nullptr;
    // A failure raised inside a libcurl callback. It cannot unwind through libcurl's C frames, so
    // it is kept here while libcurl aborts, and the transfer raises it once libcurl has returned.
    std::exception_ptr failure;

    // Called with each header line right after it joined headers.
    virtual void onHeaderLine(const std::string &line) = 0;

    // libcurl callbacks; userdata is the Response. They consume every byte, or, once a failure is
    // recorded, nothing (which makes libcurl abort the transfer).
    // Text sink: appends the block to body up to its first zero byte.
    static std::size_t writeText(char *data, std::size_t size, std::size_t count, void *userdata);
    // Buffer sink: appends the block to *buffer, then reports the buffer's size as progress.
    static std::size_t writeBuffer(char *data, std::size_t size, std::size_t count, void *userdata);
    // Header handler: records the line (up to a zero byte) and hands it to onHeaderLine.
    static std::size_t receiveHeader(char *data, std::size_t size, std::size_t count,
                                     void *userdata);

protected:
    Response() = default;
    Response(const Response &) = default;
    Response &operator=(const Response &) = default;
    // Not virtual: responses are always local objects of their concrete type.
    ~Response() = default;

private:
    // Makes room for an announced body in the buffer, so a large download is not copied over and
    // over while it grows.
    void reserveForContentLength(const std::string &line);
};

} // namespace KSNetwork
