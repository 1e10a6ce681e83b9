// Loading an entry whole through the piecewise reader, with the checks that keep a damaged entry
// from being handed out or from exhausting memory.
#include "io/ZippedFile.h"

#include "io/OpenMode.h"
#include "io/ZIPEntryReader.h"

#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

namespace Cobalt::IO {

namespace {

bool isWriteOnly(int mode) { return mode == Out || mode == (Out | Trunc); }

// A buffer of size bytes, or false when memory cannot hold it.
bool allocate(std::vector<char> &buffer, std::uint64_t size) {
    if (size > buffer.max_size())
        return false;
    try {
        buffer.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc &) {
        return false;
    } catch (const std::length_error &) {
        return false;
    }
    return true;
}

} // namespace

ZippedFile::ZippedFile(const std::string &name, int mode, std::weak_ptr<Stream> packageStream,
                       const ZIPEntry &entry)
    : Stream(name, mode), packageStream(std::move(packageStream)), entry(entry) {}

ZippedFile::~ZippedFile() {
    // The standard stream reads from the buffer, so it goes first.
    close();
}

bool ZippedFile::open() {
    if (isOpen())
        return true;
    if (packageStream.expired())
        return false;
    if (isWriteOnly(getMode()))
        return true;
    ZIPEntryReader reader(packageStream, entry);
    std::vector<char> contents;
    // The sizes are checked against the package before memory is claimed for them.
    if (!reader.open() || !allocate(contents, entry.uncompressedSize))
        return false;
    std::size_t filled = 0;
    while (const std::size_t count =
               reader.read(contents.data() + filled, contents.size() - filled))
        filled += count;
    if (!reader.finished())
        return false;
    auto newBuffer = std::make_unique<ZIPStreamBuf>(std::move(contents));
    setStandardStream(std::make_unique<std::iostream>(newBuffer.get()));
    buffer = std::move(newBuffer);
    return true;
}

// A closed entry (never loaded, or opened write-only) has no contents to size.
std::uint32_t ZippedFile::getSize() { return isOpen() ? entry.uncompressedSize : 0; }

} // namespace Cobalt::IO
