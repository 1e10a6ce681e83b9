// Little-endian record writing and zlib raw deflate for test archives.
#include "tests/support/ZipWriter.h"

#include "io/OpenMode.h"
#include "io/ZIPPackage.h"

#include <zlib.h>

#include <memory>
#include <stdexcept>

namespace Testing {

namespace {

void put16(std::string &out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xff));
    out.push_back(static_cast<char>(value >> 8));
}

void put32(std::string &out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((value >> shift) & 0xff));
}

struct DeflateEnd {
    void operator()(z_stream *stream) const { deflateEnd(stream); }
};

// The header fields that both headers of one entry share.
struct SharedFields {
    std::uint16_t method;
    std::uint32_t crc;
    std::uint32_t compressedSize;
    std::uint32_t uncompressedSize;
};

SharedFields sharedFields(const ZipWriter::Entry &entry, const std::string &payload) {
    SharedFields fields;
    fields.method = entry.methodField.value_or(entry.method);
    fields.crc = entry.crc.value_or(ZipWriter::crc32(entry.data));
    fields.compressedSize =
        entry.compressedSize.value_or(static_cast<std::uint32_t>(payload.size()));
    fields.uncompressedSize =
        entry.uncompressedSize.value_or(static_cast<std::uint32_t>(entry.data.size()));
    return fields;
}

void putShared(std::string &out, const SharedFields &fields) {
    put16(out, fields.method);
    put16(out, 0x7d1c); // 15:40:56
    put16(out, 0x5a21); // 2025-01-01
    put32(out, fields.crc);
    put32(out, fields.compressedSize);
    put32(out, fields.uncompressedSize);
}

} // namespace

ZipWriter::Entry &ZipWriter::add(const std::string &name, const std::string &data, Method method) {
    Entry &entry = entries.emplace_back();
    entry.name = name;
    entry.data = data;
    entry.method = method;
    return entry;
}

ZipWriter::Entry &ZipWriter::addFolder(const std::string &name) { return add(name, "", Stored); }

std::string ZipWriter::bytes() const {
    std::string archive;
    std::string directory;
    for (const Entry &entry : entries) {
        const std::string payload =
            entry.payload.value_or(entry.method == Deflated ? deflate(entry.data) : entry.data);
        const SharedFields fields = sharedFields(entry, payload);
        const auto localOffset = static_cast<std::uint32_t>(archive.size());

        put32(archive, entry.localSignature.value_or(0x04034b50));
        put16(archive, 20); // version needed
        put16(archive, 0);  // flags
        putShared(archive, fields);
        put16(archive, static_cast<std::uint16_t>(entry.name.size()));
        put16(archive, entry.localExtraLength.value_or(0));
        archive += entry.name + payload;

        put32(directory, entry.centralSignature.value_or(0x02014b50));
        put16(directory, 0x031e); // made by: Unix, 3.0
        put16(directory, 20);
        put16(directory, 0);
        putShared(directory, fields);
        put16(directory, entry.nameLength.value_or(static_cast<std::uint16_t>(entry.name.size())));
        put16(directory, 0);          // extra field length
        put16(directory, 0);          // file comment length
        put16(directory, 0);          // disk number start
        put16(directory, 0);          // internal attributes
        put32(directory, 0x81a40000); // regular file, rw-r--r--
        put32(directory, entry.localHeaderOffset.value_or(localOffset));
        directory += entry.name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
    const auto count = static_cast<std::uint16_t>(entries.size());
    archive += directory;
    put32(archive, 0x06054b50);
    put16(archive, end.thisDisk.value_or(0));
    put16(archive, end.directoryDisk.value_or(0));
    put16(archive, end.entriesOnDisk.value_or(count));
    put16(archive, end.totalEntries.value_or(count));
    put32(archive, static_cast<std::uint32_t>(directory.size()));
    put32(archive, end.directoryOffset.value_or(directoryOffset));
    put16(archive, static_cast<std::uint16_t>(comment.size()));
    return archive + comment;
}

std::vector<char> ZipWriter::vector() const {
    const std::string archive = bytes();
    return std::vector<char>(archive.begin(), archive.end());
}

std::unique_ptr<Cobalt::IO::ZIPPackage> ZipWriter::mount(const std::string &name) const {
    auto package = std::make_unique<Cobalt::IO::ZIPPackage>(name, vector());
    package->readDirectory();
    return package;
}

std::string contentsOf(Cobalt::IO::FileSystem &files, const std::string &name) {
    auto stream = files.open(name, Cobalt::IO::In | Cobalt::IO::Binary);
    if (!stream)
        return "<none>";
    std::vector<char> bytes;
    stream->read(bytes, stream->getSize());
    return std::string(bytes.begin(), bytes.end());
}

std::string ZipWriter::deflate(const std::string &data, int level) {
    z_stream deflater{};
    if (deflateInit2(&deflater, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::unique_ptr<z_stream, DeflateEnd> owner(&deflater);
    std::string output(deflateBound(&deflater, static_cast<uLong>(data.size())), '\0');
    deflater.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    deflater.avail_in = static_cast<uInt>(data.size());
    deflater.next_out = reinterpret_cast<Bytef *>(output.data());
    deflater.avail_out = static_cast<uInt>(output.size());
    if (::deflate(&deflater, Z_FINISH) != Z_STREAM_END)
        throw std::runtime_error("deflate did not finish");
    output.resize(deflater.total_out);
    return output;
}

std::uint32_t ZipWriter::crc32(const std::string &data) {
    return static_cast<std::uint32_t>(::crc32(::crc32(0, Z_NULL, 0),
                                              reinterpret_cast<const Bytef *>(data.data()),
                                              static_cast<uInt>(data.size())));
}

} // namespace Testing
