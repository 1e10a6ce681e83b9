// One entry of a mounted ZIP package, read as a stream over its decompressed contents.
#pragma once

#include "io/Stream.h"
#include "io/ZIPEntry.h"
#include "io/ZIPStreamBuf.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Cobalt::IO {

// Keeps a copy of its entry record and watches the package's stream without owning it, so it may
// outlive the package: once loaded it serves its contents alone. Reads are sequential only;
// seeking fails.
class ZippedFile : public Stream {
public:
    // Opens nothing yet; open() loads the entry.
    ZippedFile(const std::string &name, int mode, std::weak_ptr<Stream> packageStream,
               const ZIPEntry &entry);
    ~ZippedFile() override;

    // Loads and checks the whole entry; true at once when it is loaded already. False when the
    // package is gone, the declared sizes do not fit the package or memory, the data does not
    // inflate to exactly the declared size, or its CRC-32 differs; the stream stays closed then.
    // A write-only mode returns true without loading anything (such a stream has no contents).
    bool open() override;
    // The uncompressed size that the central directory declares; 0 while closed.
    std::uint32_t getSize() override;

private:
    std::unique_ptr<ZIPStreamBuf> buffer;
    std::weak_ptr<Stream> packageStream;
    ZIPEntry entry;
};

} // namespace Cobalt::IO
