// The libcurl body and header callbacks of a response.
#include "network/Response.h"

#include "network/DownloadSink.h"
#include "network/KSConnectorImpl.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace KSNetwork {

namespace {
Response &responseOf(void *userdata) { return *static_cast<Response *>(userdata); }

// The length of the zero-terminated text that a copy of the block would hold.
std::size_t textLength(const char *data, std::size_t length) {
    const void *zero = std::memchr(data, '\0', length);
    return zero == nullptr ? length
                           : static_cast<std::size_t>(static_cast<const char *>(zero) - data);
}

bool startsWithIgnoringCase(const std::string &text, const char *prefix) {
    const std::size_t length = std::strlen(prefix);
    if (text.size() < length)
        return false;
    return std::equal(prefix, prefix + length, text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

// Runs a callback's work, which returns whether the transfer may go on; a failure is recorded.
// Either way of stopping answers libcurl's abort value.
template <typename Work> std::size_t consume(Response &response, std::size_t length, Work work) {
    const std::size_t abort = length == 0 ? 1 : 0;
    if (response.failure || response.sinkRefused)
        return abort;
    try {
        return work() ? length : abort;
    } catch (...) {
        response.failure = std::current_exception();
        return abort;
    }
}
} // namespace

std::size_t Response::writeText(char *data, std::size_t size, std::size_t count, void *userdata) {
    Response &response = responseOf(userdata);
    const std::size_t length = size * count;
    return consume(response, length, [&] {
        response.body.append(data, textLength(data, length));
        return true;
    });
}

std::size_t Response::writeSink(char *data, std::size_t size, std::size_t count, void *userdata) {
    Response &response = responseOf(userdata);
    const std::size_t length = size * count;
    return consume(response, length, [&] {
        if (!response.sink->receive(data, length)) {
            response.sinkRefused = true;
            return false;
        }
        response.lineEnds.add(data, length);
        response.received += length;
        // The progress value is 32-bit; a larger download still reports a positive count.
        const std::uint64_t total =
            std::min<std::uint64_t>(response.received, std::numeric_limits<std::int32_t>::max());
        response.connector->reportProgress(static_cast<std::int32_t>(total));
        return true;
    });
}

std::size_t Response::receiveHeader(char *data, std::size_t size, std::size_t count,
                                    void *userdata) {
    Response &response = responseOf(userdata);
    const std::size_t length = size * count;
    return consume(response, length, [&] {
        const std::string line(data, textLength(data, length));
        response.headers.push_back(line);
        response.onHeaderLine(line);
        if (response.sink != nullptr)
            response.announceContentLength(line);
        return true;
    });
}

int Response::keepTransferAlive(void *userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    Response &response = responseOf(userdata);
    if (response.failure || response.keepAlive == nullptr || !*response.keepAlive)
        return response.failure ? 1 : 0;
    try {
        return (*response.keepAlive)() ? 1 : 0;
    } catch (...) {
        response.failure = std::current_exception();
        return 1;
    }
}

void Response::announceContentLength(const std::string &line) {
    static const char Field[] = "Content-Length:";
    if (!startsWithIgnoringCase(line, Field))
        return;
    const char *digits = line.c_str() + sizeof Field - 1;
    while (*digits == ' ' || *digits == '\t')
        ++digits;
    if (!std::isdigit(static_cast<unsigned char>(*digits)))
        return;
    sink->expect(std::strtoull(digits, nullptr, 10));
}

} // namespace KSNetwork
