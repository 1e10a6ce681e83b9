// A ZIP archive mounted as a read-only file system: single disk, entries stored or deflated.
#pragma once

#include "io/FileSystem.h"
#include "io/Stream.h"
#include "io/ZIPEntry.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Cobalt::IO {

class PackageReader;
class ZIPEntryReader;

class ZIPPackage : public FileSystem {
public:
    // Reads the archive from stream, which it owns. name is the package's file-system name (the
    // path the file server mounts it from, so that the same path unmounts it).
    ZIPPackage(const std::string &name, std::unique_ptr<Stream> stream);
    // Reads the archive from a private in-memory copy of bytes.
    ZIPPackage(const std::string &name, const std::vector<char> &bytes);
    // Destroys the entry records, then the stream.
    ~ZIPPackage() override;

    // Reads the central directory into the entries; called once, right after construction.
    // Throws Cobalt::Exception when the stream does not open, the package is too small, its end
    // record is missing or describes another layout, an entry cannot be read (its central or
    // local header is missing or lacks its signature, or its data overlaps another entry's),
    // uses a method other than stored or deflate, or has an empty or over-long name.
    void readDirectory();
    // As readDirectory, in pieces of at most count entries per call, so that a package of many
    // entries can be mounted between other work; true once the whole directory is read (then
    // it must not be called again). Throws as readDirectory.
    bool readDirectoryPart(std::size_t count);

    // Whether a file entry has exactly that name (case and kind of slash included).
    bool exists(const std::string &path) override;
    // The entry with exactly that name, opened with mode; none when there is no such entry or it
    // cannot be loaded (bad data, sizes beyond the package, wrong CRC-32). The entry may outlive
    // the package.
    std::unique_ptr<Stream> open(const std::string &path, int mode) override;
    // A reader of the entry with exactly that name, which reads its contents in pieces (see
    // ZIPEntryReader); none when there is no such entry. The reader may outlive the package.
    std::unique_ptr<ZIPEntryReader> openReader(const std::string &path) const;
    // Appends, in name order, the file part of every entry directly inside folder.
    void listFiles(const std::string &folder, std::vector<std::string> &names) override;
    // Appends, in ascending order and once each, the immediate sub-folders of folder that some
    // entry lies in.
    void listDirectories(const std::string &folder, std::vector<std::string> &names) override;

private:
    struct EndRecord {
        std::uint16_t totalEntries = 0;
        std::uint32_t directoryOffset = 0;
    };

    // The bytes one entry's local header and data take: [start, end).
    struct Extent {
        std::uint64_t start;
        std::uint64_t end;
    };

    struct DirectoryScan;

    void startScan();
    void readEntry(DirectoryScan &scan);
    std::uint64_t findEndRecord(PackageReader &reader) const;
    EndRecord readEndRecord(PackageReader &reader, std::uint64_t position) const;
    void locateData(PackageReader &reader, ZIPEntry &entry) const;
    void refuseOverlaps(std::vector<Extent> &extents) const;
    [[noreturn]] void fail(const std::string &reason) const;

    // Shared only with the entries opened from it, which hold it weakly: they can tell that the
    // package is gone instead of reading freed memory.
    std::shared_ptr<Stream> stream;
    std::map<std::string, std::unique_ptr<ZIPEntry>> entries;
    // The directory's reading while it is under way.
    std::unique_ptr<DirectoryScan> scan;
};

} // namespace Cobalt::IO
