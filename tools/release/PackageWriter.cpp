// ZIP records in little-endian order, deflate and CRC-32 from zlib.
#include "tools/release/PackageWriter.h"

#include "tools/release/ReleaseError.h"

#include <zlib.h>

#include <limits>
#include <memory>

namespace Release {

namespace {
constexpr std::uint16_t Stored = 0;
constexpr std::uint16_t Deflated = 8;
constexpr std::uint16_t VersionNeeded = 20;
// 1980-01-01 00:00:00, the first moment the format can state.
constexpr std::uint16_t FixedTime = 0;
constexpr std::uint16_t FixedDate = (1 << 5) | 1;
constexpr std::uint64_t Largest32 = std::numeric_limits<std::uint32_t>::max();

void put16(std::vector<char> &out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xff));
    out.push_back(static_cast<char>(value >> 8));
}

void put32(std::vector<char> &out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((value >> shift) & 0xff));
}

struct DeflateEnd {
    void operator()(z_stream *stream) const { deflateEnd(stream); }
};

// Raw deflate (no zlib header), as ZIP entries hold it.
std::vector<char> deflated(const std::vector<char> &bytes) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        throw ReleaseError("cannot start zlib's deflate");
    const std::unique_ptr<z_stream, DeflateEnd> owner(&stream);
    std::vector<char> out(deflateBound(&stream, static_cast<uLong>(bytes.size())));
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END)
        throw ReleaseError("zlib's deflate did not finish");
    out.resize(stream.total_out);
    return out;
}

std::uint32_t crc32Of(const std::vector<char> &bytes) {
    return static_cast<std::uint32_t>(crc32(crc32(0, Z_NULL, 0),
                                            reinterpret_cast<const Bytef *>(bytes.data()),
                                            static_cast<uInt>(bytes.size())));
}

// The fields that the local and the central header share, from the method on.
void putShared(std::vector<char> &out, std::uint16_t method, std::uint32_t crc,
               std::uint32_t compressed, std::uint32_t size, std::uint16_t nameLength) {
    put16(out, method);
    put16(out, FixedTime);
    put16(out, FixedDate);
    put32(out, crc);
    put32(out, compressed);
    put32(out, size);
    put16(out, nameLength);
    put16(out, 0); // extra field length
}
} // namespace

void PackageWriter::add(const std::string &name, const std::vector<char> &bytes) {
    if (finished)
        throw ReleaseError("the package of " + name + " is finished already");
    if (entries >= MaximumEntries)
        throw ReleaseError("a package holds at most 65535 files; " + name + " is one too many");
    if (name.empty() || name.size() > 0x7fff)
        throw ReleaseError("a package entry name must have 1 to 32767 characters: " + name);
    if (bytes.size() > Largest32)
        throw ReleaseError(name + " is larger than a package entry can be (4 GiB)");
    // Nothing to gain from deflating nothing, and a zlib stream per empty file is costly.
    std::vector<char> payload = bytes.empty() ? bytes : deflated(bytes);
    std::uint16_t method = Deflated;
    if (payload.size() >= bytes.size()) {
        payload = bytes;
        method = Stored;
    }
    if (archive.size() > Largest32)
        throw ReleaseError("the package grows beyond 4 GiB at " + name);
    const auto offset = static_cast<std::uint32_t>(archive.size());
    const std::uint32_t crc = crc32Of(bytes);
    const auto compressed = static_cast<std::uint32_t>(payload.size());
    const auto size = static_cast<std::uint32_t>(bytes.size());
    const auto nameLength = static_cast<std::uint16_t>(name.size());

    put32(archive, 0x04034b50);
    put16(archive, VersionNeeded);
    put16(archive, 0); // flags
    putShared(archive, method, crc, compressed, size, nameLength);
    archive.insert(archive.end(), name.begin(), name.end());
    archive.insert(archive.end(), payload.begin(), payload.end());

    put32(directory, 0x02014b50);
    put16(directory, VersionNeeded); // made by: MS-DOS attributes
    put16(directory, VersionNeeded);
    put16(directory, 0); // flags
    putShared(directory, method, crc, compressed, size, nameLength);
    put16(directory, 0); // comment length
    put16(directory, 0); // disk number
    put16(directory, 0); // internal attributes
    put32(directory, 0); // external attributes
    put32(directory, offset);
    directory.insert(directory.end(), name.begin(), name.end());
    ++entries;
}

const std::vector<char> &PackageWriter::finish() {
    if (finished)
        return archive;
    if (archive.size() + directory.size() > Largest32)
        throw ReleaseError("the package grows beyond 4 GiB");
    const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
    const auto directorySize = static_cast<std::uint32_t>(directory.size());
    archive.insert(archive.end(), directory.begin(), directory.end());
    directory.clear();
    put32(archive, 0x06054b50);
    put16(archive, 0); // this disk
    put16(archive, 0); // directory's disk
    put16(archive, static_cast<std::uint16_t>(entries));
    put16(archive, static_cast<std::uint16_t>(entries));
    put32(archive, directorySize);
    put32(archive, directoryOffset);
    put16(archive, 0); // comment length
    finished = true;
    return archive;
}

} // namespace Release
