// Loading an entry: local header, stored or raw-deflate data, and the checks that keep a damaged
// entry from being handed out or from exhausting memory.
#include "io/ZippedFile.h"

#include "io/OpenMode.h"
#include "io/PackageReader.h"

#include <zlib.h>

#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

namespace Cobalt::IO {

namespace {

// Deflate emits at most 258 bytes per two bits of input, so no real entry inflates further.
constexpr std::uint64_t MaximumDeflateRatio = 1032;

struct InflateEnd {
    void operator()(z_stream *stream) const { inflateEnd(stream); }
};

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

// Inflates raw deflate data in one call into output, which must come out exactly full.
bool inflateRaw(std::vector<char> &input, std::vector<char> &output) {
    z_stream inflater{};
    if (inflateInit2(&inflater, -MAX_WBITS) != Z_OK)
        return false;
    std::unique_ptr<z_stream, InflateEnd> owner(&inflater);
    // zlib refuses a null output pointer even when there is nothing to write.
    char emptyOutput = 0;
    inflater.next_in = reinterpret_cast<Bytef *>(input.data());
    inflater.avail_in = static_cast<uInt>(input.size());
    inflater.next_out = reinterpret_cast<Bytef *>(output.empty() ? &emptyOutput : output.data());
    inflater.avail_out = static_cast<uInt>(output.size());
    const int result = inflate(&inflater, Z_FINISH);
    const bool finished =
        result == Z_STREAM_END || (result == Z_BUF_ERROR && inflater.avail_in == 0);
    return finished && inflater.avail_out == 0 && inflater.total_out == output.size();
}

bool checksumMatches(const std::vector<char> &contents, std::uint32_t expected) {
    const uLong actual =
        crc32(crc32(0, Z_NULL, 0), reinterpret_cast<const Bytef *>(contents.data()),
              static_cast<uInt>(contents.size()));
    return actual == expected;
}

bool loadStored(PackageReader &reader, const ZIPEntry &entry, std::vector<char> &contents) {
    const std::uint64_t dataStart = entry.dataOffset;
    return reader.contains(dataStart, entry.uncompressedSize) &&
           allocate(contents, entry.uncompressedSize) &&
           reader.readAt(dataStart, contents.data(), contents.size());
}

bool loadDeflated(PackageReader &reader, const ZIPEntry &entry, std::vector<char> &contents) {
    const std::uint64_t dataStart = entry.dataOffset;
    if (!reader.contains(dataStart, entry.compressedSize) ||
        entry.uncompressedSize > entry.compressedSize * MaximumDeflateRatio)
        return false;
    std::vector<char> compressed;
    return allocate(compressed, entry.compressedSize) &&
           reader.readAt(dataStart, compressed.data(), compressed.size()) &&
           allocate(contents, entry.uncompressedSize) && inflateRaw(compressed, contents);
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
    const std::shared_ptr<Stream> package = packageStream.lock();
    if (!package)
        return false;
    if (isWriteOnly(getMode()))
        return true;
    PackageReader reader(*package);
    std::vector<char> contents;
    const bool loaded = entry.compressionMethod == ZIPFormat::Stored
                            ? loadStored(reader, entry, contents)
                            : loadDeflated(reader, entry, contents);
    if (!loaded || !checksumMatches(contents, entry.crc32))
        return false;
    auto newBuffer = std::make_unique<ZIPStreamBuf>(std::move(contents));
    setStandardStream(std::make_unique<std::iostream>(newBuffer.get()));
    buffer = std::move(newBuffer);
    return true;
}

// A closed entry (never loaded, or opened write-only) has no contents to size.
std::uint32_t ZippedFile::getSize() { return isOpen() ? entry.uncompressedSize : 0; }

} // namespace Cobalt::IO
