// Positioned reads in chunks that fit the stream interface's long offsets and int counts.
#include "io/PackageReader.h"

#include <algorithm>
#include <climits>

namespace Cobalt::IO {

namespace {
constexpr std::uint64_t LargestSeek = LONG_MAX;
constexpr std::uint64_t LargestRead = INT_MAX;
} // namespace

PackageReader::PackageReader(Stream &stream) : stream(stream), packageSize(stream.getSize()) {}

bool PackageReader::contains(std::uint64_t start, std::uint64_t count) const {
    return start <= packageSize && count <= packageSize - start;
}

bool PackageReader::readAt(std::uint64_t start, char *data, std::uint64_t count) {
    if (!contains(start, count) || !seekTo(start))
        return false;
    while (count > 0) {
        const std::uint64_t chunk = std::min(count, LargestRead);
        if (!stream.read(data, static_cast<int>(chunk))) {
            positionKnown = false;
            return false;
        }
        data += chunk;
        count -= chunk;
        position += chunk;
    }
    return stream.isOpen();
}

bool PackageReader::seekTo(std::uint64_t target) {
    if (positionKnown && position == target)
        return stream.isOpen();
    // A 32-bit long cannot name every position of a package beyond 2 GiB in one step.
    std::uint64_t reached = std::min(target, LargestSeek);
    stream.seekg(static_cast<long>(reached), 0);
    while (reached < target) {
        const std::uint64_t step = std::min(target - reached, LargestSeek);
        stream.seekg(static_cast<long>(step), 1);
        reached += step;
    }
    positionKnown = stream.isOpen();
    position = target;
    return positionKnown;
}

} // namespace Cobalt::IO
