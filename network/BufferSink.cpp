// The in-memory download sink.
#include "network/BufferSink.h"

#include <algorithm>
#include <exception>

namespace KSNetwork {

BufferSink::BufferSink(std::vector<char> &buffer, std::size_t limit)
    : buffer(buffer), start(buffer.size()), limit(limit) {}

bool BufferSink::receive(const char *data, std::size_t size) {
    if (size > limit - (buffer.size() - start)) {
        limitPassed = true;
        return false;
    }
    buffer.insert(buffer.end(), data, data + size);
    return true;
}

bool BufferSink::dropLast(std::uint64_t count) {
    const std::size_t held = buffer.size() - start;
    buffer.resize(buffer.size() - static_cast<std::size_t>(std::min<std::uint64_t>(count, held)));
    return true;
}

bool BufferSink::restart(const std::string &) {
    buffer.resize(start);
    return true;
}

void BufferSink::expect(std::uint64_t announcedBytes) {
    const std::uint64_t room = std::min<std::uint64_t>(
        {announcedBytes, limit - (buffer.size() - start), MaximumReservation});
    try {
        buffer.reserve(buffer.size() + static_cast<std::size_t>(room));
    } catch (const std::exception &) {
        // Without the reservation the buffer simply grows as the body arrives.
    }
}

} // namespace KSNetwork
