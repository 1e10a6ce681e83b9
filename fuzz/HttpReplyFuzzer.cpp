// Fuzz target: reply handling. The input is a reply as it comes off the wire: header lines (status
// lines included) handed to the header callback one by one as libcurl delivers them, then the
// body in chunks to the text body or a download sink, then the reply readers of the protocol.
#include "network/BufferSink.h"
#include "network/HttpResponse.h"
#include "network/KSConnectorImpl.h"
#include "network/ReplyReader.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

bool isBlankLine(const std::string &line) { return line == "\r\n" || line == "\n"; }

// libcurl reads header blocks until one that is not followed by another status line.
std::size_t deliverHeaders(const std::string &wire, KSNetwork::HttpResponse &response) {
    std::size_t at = 0;
    while (at < wire.size()) {
        const std::size_t end = wire.find('\n', at);
        const std::size_t next = end == std::string::npos ? wire.size() : end + 1;
        std::string line = wire.substr(at, next - at);
        if (KSNetwork::Response::receiveHeader(line.data(), 1, line.size(), &response) !=
            line.size())
            return wire.size();
        at = next;
        if (isBlankLine(line) && wire.compare(at, 5, "HTTP/") != 0)
            break;
    }
    return at;
}

void deliverBody(const std::string &wire, std::size_t at, std::size_t chunk, bool toSink,
                 KSNetwork::HttpResponse &response) {
    const auto sink = toSink ? &KSNetwork::Response::writeSink : &KSNetwork::Response::writeText;
    while (at < wire.size()) {
        std::string block = wire.substr(at, chunk);
        if (sink(block.data(), 1, block.size(), &response) != block.size())
            return;
        at += block.size();
    }
}

void readReply(const std::string &body) {
    try {
        KSNetwork::AuthStatus status;
        KSNetwork::readAuthReply(body, status);
    } catch (const std::runtime_error &) {
    }
    try {
        KSNetwork::ServerStatus launcher, manifest;
        KSNetwork::readVersionReply(body, launcher, manifest);
    } catch (const std::runtime_error &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0)
        return 0;
    static KSNetwork::KSConnectorImpl connector("http://127.0.0.1:1/ksclient/ksserver.php");
    // The first byte chooses the sink and how the body is cut into chunks.
    const bool toSink = (data[0] & 1) != 0;
    const std::size_t chunk = 1 + (data[0] >> 1);
    const std::string wire(reinterpret_cast<const char *>(data) + 1, size - 1);

    KSNetwork::HttpResponse response;
    std::vector<char> buffer{'h', '\n'};
    KSNetwork::BufferSink sink(buffer);
    if (toSink) {
        response.sink = &sink;
        response.connector = &connector;
    }
    deliverBody(wire, deliverHeaders(wire, response), chunk, toSink, response);
    if (response.failure)
        return 0;
    if (toSink) {
        // What the buffer held before the download keeps its bytes, line end included.
        sink.dropLast(response.lineEnds.removable());
        if (buffer.size() < 2 || buffer[1] != '\n')
            __builtin_trap();
    } else {
        readReply(response.body);
    }
    return 0;
}
