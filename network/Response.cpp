// The libcurl body and header callbacks of a response.
#include "network/Response.h"

#include "network/KSConnectorImpl.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace KSNetwork {

namespace {
// An announced length is only a hint: a hostile header must not make the launcher claim more than
// this before any data has arrived. Larger bodies still arrive, just with the buffer's own growth.
constexpr std::size_t MaximumReservation = std::size_t{512} * 1024 * 1024;

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

// Runs a callback's work; a failure is recorded and turned into libcurl's abort value.
template <typename Work> std::size_t consume(Response &response, std::size_t length, Work work) {
    if (response.failure)
        return length == 0 ? 1 : 0;
    try {
        work();
        return length;
    } catch (...) {
        response.failure = std::current_exception();
        return length == 0 ? 1 : 0;
    }
}
} // namespace

std::size_t Response::writeText(char *data, std::size_t size, std::size_t count, void *userdata) {
    Response &response = responseOf(userdata);
    const std::size_t length = size * count;
    return consume(response, length, [&] { response.body.append(data, textLength(data, length)); });
}

std::size_t Response::writeBuffer(char *data, std::size_t size, std::size_t count, void *userdata) {
    Response &response = responseOf(userdata);
    const std::size_t length = size * count;
    return consume(response, length, [&] {
        std::vector<char> &buffer = *response.buffer;
        buffer.insert(buffer.end(), data, data + length);
        // The progress value is 32-bit; a larger buffer still reports a positive count.
        const std::size_t total =
            std::min<std::size_t>(buffer.size(), std::numeric_limits<std::int32_t>::max());
        response.connector->reportProgress(static_cast<std::int32_t>(total));
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
        if (response.buffer != nullptr)
            response.reserveForContentLength(line);
    });
}

void Response::reserveForContentLength(const std::string &line) {
    static const char Field[] = "Content-Length:";
    if (!startsWithIgnoringCase(line, Field))
        return;
    const char *digits = line.c_str() + sizeof Field - 1;
    while (*digits == ' ' || *digits == '\t')
        ++digits;
    if (!std::isdigit(static_cast<unsigned char>(*digits)))
        return;
    const unsigned long long announced = std::strtoull(digits, nullptr, 10);
    const std::size_t room =
        static_cast<std::size_t>(std::min<unsigned long long>(announced, MaximumReservation));
    try {
        buffer->reserve(buffer->size() + room);
    } catch (const std::exception &) {
        // Without the reservation the buffer simply grows as the body arrives.
    }
}

} // namespace KSNetwork
