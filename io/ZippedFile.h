// One entry of a mounted ZIP package, read as a stream over its decompressed contents.
#pragma once

#include "io/Stream.h"
#include "io/ZIPEntry.h"
#include "io/ZIPStreamBuf.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Cobalt::IO {

// Refers to the package's stream and entry record without owning them: it must not outlive the
// package it came from. Reads are sequential only; seeking fails.
class ZippedFile : public Stream {
public:
    // Opens nothing yet; open() loads the entry.
    ZippedFile(const std::string &name, int mode, Stream &packageStream, const ZIPEntry &entry);
    ~ZippedFile() override;

    // Loads and checks the whole entry. False when its local header is wrong, its declared sizes
    // do not fit the package or memory, its data does not inflate to exactly the declared size,
    // or its CRC-32 differs; the stream stays closed then. A write-only mode returns true
    // without loading anything (such a stream has no contents).
    bool open() override;
    // The uncompressed size that the central directory declares.
    std::uint32_t getSize() override;

private:
    std::unique_ptr<ZIPStreamBuf> buffer;
    Stream &packageStream;
    const ZIPEntry &entry;
};

} // namespace Cobalt::IO
