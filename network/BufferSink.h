// A download kept in memory: appended to a caller's byte buffer, up to a limit.
#pragma once

#include "network/DownloadSink.h"

#include <limits>
#include <vector>

namespace KSNetwork {

class BufferSink : public DownloadSink {
public:
    // Appends to buffer, which must outlive the sink; what it held before stays untouched. A
    // download that would add more than limit bytes is refused at the chunk that passes it.
    explicit BufferSink(std::vector<char> &buffer,
                        std::size_t limit = std::numeric_limits<std::size_t>::max());

    // Throws std::bad_alloc when memory runs out.
    bool receive(const char *data, std::size_t size) override;
    bool dropLast(std::uint64_t count) override;
    // Keeps what the buffer held before the sink was made; memory is never resumed.
    bool restart(const std::string &validator) override;
    // Reserves room for the announced length, so that a large body is not copied over and over
    // while it grows; never more than the limit or MaximumReservation.
    void expect(std::uint64_t announcedBytes) override;

    // Whether a chunk was refused because it would have passed the limit.
    bool overflowed() const { return limitPassed; }

    // A hostile header must not make the launcher claim more than this before any data arrived.
    static constexpr std::size_t MaximumReservation = std::size_t{512} * 1024 * 1024;

private:
    std::vector<char> &buffer;
    std::size_t start;
    std::size_t limit;
    bool limitPassed = false;
};

} // namespace KSNetwork
