// Builds ZIP archives in memory for tests, including deliberately broken ones.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Cobalt::IO {
class FileSystem;
class ZIPPackage;
} // namespace Cobalt::IO

namespace Testing {

class ZipWriter {
public:
    enum Method : std::uint16_t { Stored = 0, Deflated = 8 };

    // One entry. Unset overrides take the values that the name and data imply; set ones are
    // written as given, so a test can describe an entry that the data does not match.
    struct Entry {
        std::string name;
        std::string data;
        Method method = Deflated;
        std::optional<std::uint16_t> methodField;       // both headers
        std::optional<std::uint32_t> crc;               // both headers
        std::optional<std::uint32_t> compressedSize;    // both headers
        std::optional<std::uint32_t> uncompressedSize;  // both headers
        std::optional<std::uint16_t> nameLength;        // central header only
        std::optional<std::uint32_t> localHeaderOffset; // central header only
        std::optional<std::uint16_t> localExtraLength;  // local header only
        std::optional<std::uint32_t> centralSignature;  // central header only
        std::optional<std::uint32_t> localSignature;    // local header only
        std::optional<std::string> payload; // written instead of the stored or deflated data
    };

    // Overrides of the end of central directory record.
    struct EndRecord {
        std::optional<std::uint16_t> thisDisk;
        std::optional<std::uint16_t> directoryDisk;
        std::optional<std::uint16_t> entriesOnDisk;
        std::optional<std::uint16_t> totalEntries;
        std::optional<std::uint32_t> directoryOffset;
    };

    // Adds an entry; the reference stays valid while the writer lives.
    Entry &add(const std::string &name, const std::string &data, Method method = Deflated);
    // Adds a folder entry (a stored, empty entry whose name ends in a slash).
    Entry &addFolder(const std::string &name);
    void setComment(const std::string &text) { comment = text; }
    EndRecord &endRecord() { return end; }

    // The archive: local headers and data, central directory, end record, comment.
    std::string bytes() const;
    std::vector<char> vector() const;
    // A package over a copy of the archive, its directory read (which may throw).
    std::unique_ptr<Cobalt::IO::ZIPPackage> mount(const std::string &name = "test.zip") const;

    // Raw deflate (no zlib or gzip header) of data at the given level.
    static std::string deflate(const std::string &data, int level = 6);
    static std::uint32_t crc32(const std::string &data);

private:
    std::deque<Entry> entries;
    std::string comment;
    EndRecord end;
};

// The whole file at name, or "<none>" when it does not open.
std::string contentsOf(Cobalt::IO::FileSystem &files, const std::string &name);

} // namespace Testing
