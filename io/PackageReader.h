// Bounds-checked reads at absolute positions of a ZIP package's stream.
#pragma once

#include "io/Stream.h"

#include <cstdint>

namespace Cobalt::IO {

// Reads only what lies inside the package, so a bad entry never drives the shared package stream
// past its end into a failed state that would block every later entry.
class PackageReader {
public:
    // Takes the stream's size now (0 for a closed stream); the stream must outlive the reader.
    explicit PackageReader(Stream &stream);

    std::uint64_t size() const { return packageSize; }
    // Whether count bytes from position lie inside the package.
    bool contains(std::uint64_t position, std::uint64_t count) const;
    // Reads count bytes at position into data. False when they are not all inside the package
    // (nothing is read then) or the stream fails.
    bool readAt(std::uint64_t position, char *data, std::uint64_t count);

private:
    bool seekTo(std::uint64_t target);

    Stream &stream;
    std::uint64_t packageSize;
    // The stream's read position when known, so sequential reads skip the seek.
    std::uint64_t position = 0;
    bool positionKnown = false;
};

} // namespace Cobalt::IO
