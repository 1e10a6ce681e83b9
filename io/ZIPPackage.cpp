// Reading a ZIP package's central directory and serving its entries by exact name.
#include "io/ZIPPackage.h"

#include "io/Exception.h"
#include "io/MemoryStream.h"
#include "io/PackageReader.h"
#include "io/ZIPEntryReader.h"
#include "io/ZippedFile.h"

#include <algorithm>
#include <limits>
#include <set>
#include <utility>

namespace Cobalt::IO {

namespace {

// The end record is searched for in 22-byte windows while they cover fewer than this many bytes.
constexpr std::uint64_t SearchLimit = 65535;

bool isSlash(char c) { return c == '/' || c == '\\'; }

std::string withoutTrailingSlash(const std::string &folder) {
    if (!folder.empty() && isSlash(folder.back()))
        return folder.substr(0, folder.size() - 1);
    return folder;
}

bool isEndSignatureAt(const std::vector<unsigned char> &bytes, std::size_t index) {
    return index + 4 <= bytes.size() &&
           ZIPFormat::readUInt32(&bytes[index]) == ZIPFormat::EndOfDirectorySignature;
}

} // namespace

ZIPPackage::ZIPPackage(const std::string &name, std::unique_ptr<Stream> stream)
    : FileSystem(name), stream(std::move(stream)) {}

ZIPPackage::ZIPPackage(const std::string &name, const std::vector<char> &bytes)
    : FileSystem(name), stream(std::make_unique<MemoryStream>(bytes)) {}

// Where the reading of the central directory stands between two pieces.
struct ZIPPackage::DirectoryScan {
    explicit DirectoryScan(Stream &stream) : reader(stream) {}

    PackageReader reader;
    EndRecord end;
    std::uint64_t position = 0; // of the next central header
    unsigned index = 0;         // of the next entry
    std::vector<Extent> extents;
};

ZIPPackage::~ZIPPackage() = default;

void ZIPPackage::readDirectory() {
    while (!readDirectoryPart(std::numeric_limits<std::size_t>::max())) {
    }
}

bool ZIPPackage::readDirectoryPart(std::size_t count) {
    if (!scan)
        startScan();
    for (; count > 0 && scan->index < scan->end.totalEntries; --count, ++scan->index)
        readEntry(*scan);
    if (scan->index < scan->end.totalEntries)
        return false;
    refuseOverlaps(scan->extents);
    scan.reset();
    return true;
}

void ZIPPackage::startScan() {
    if (!stream || !stream->open())
        throw Exception("File stream not open");
    scan = std::make_unique<DirectoryScan>(*stream);
    PackageReader &reader = scan->reader;
    if (reader.size() < ZIPFormat::EndOfDirectorySize)
        fail(" is too small");
    scan->end = readEndRecord(reader, findEndRecord(reader));
    scan->position = scan->end.directoryOffset;
    scan->extents.reserve(scan->end.totalEntries);
}

std::uint64_t ZIPPackage::findEndRecord(PackageReader &reader) const {
    const std::uint64_t size = reader.size();
    const std::uint64_t window = ZIPFormat::EndOfDirectorySize;
    const std::uint64_t windows = (std::min(size, SearchLimit) + window - 1) / window;
    const std::uint64_t regionStart = size - std::min(size, windows * window);
    // The whole searched region in one read; windows are then examined from the end backwards.
    std::vector<unsigned char> region(static_cast<std::size_t>(size - regionStart));
    if (!reader.readAt(regionStart, reinterpret_cast<char *>(region.data()), region.size()))
        fail(" : End of Central Directory not found");
    for (std::uint64_t index = 0; index < windows; ++index) {
        const std::uint64_t windowEnd = size - index * window;
        const std::uint64_t windowStart =
            std::max(regionStart, windowEnd - std::min(windowEnd, window));
        for (std::uint64_t position = windowStart; position < windowEnd; ++position) {
            if (isEndSignatureAt(region, static_cast<std::size_t>(position - regionStart)))
                return position;
        }
    }
    fail(" : End of Central Directory not found");
}

ZIPPackage::EndRecord ZIPPackage::readEndRecord(PackageReader &reader,
                                                std::uint64_t position) const {
    unsigned char record[ZIPFormat::EndOfDirectorySize];
    // A signature within the last 21 bytes cannot start a whole record.
    if (!reader.readAt(position, reinterpret_cast<char *>(record), sizeof record))
        fail(" : Unsupported format");
    const std::uint16_t thisDisk = ZIPFormat::readUInt16(record + 4);
    const std::uint16_t directoryDisk = ZIPFormat::readUInt16(record + 6);
    const std::uint16_t entriesOnDisk = ZIPFormat::readUInt16(record + 8);
    EndRecord end;
    end.totalEntries = ZIPFormat::readUInt16(record + 10);
    end.directoryOffset = ZIPFormat::readUInt32(record + 16);
    if (ZIPFormat::readUInt32(record) != ZIPFormat::EndOfDirectorySignature ||
        entriesOnDisk != end.totalEntries || thisDisk != 0 || directoryDisk != 0)
        fail(" : Unsupported format");
    return end;
}

void ZIPPackage::readEntry(DirectoryScan &scan) {
    PackageReader &reader = scan.reader;
    unsigned char header[ZIPFormat::CentralHeaderSize];
    if (!stream->isOpen() ||
        !reader.readAt(scan.position, reinterpret_cast<char *>(header), sizeof header))
        fail(" : Unable to read entry");
    auto entry = std::make_unique<ZIPEntry>(ZIPEntry::fromCentralHeader(header));
    if (entry->signature != ZIPFormat::CentralHeaderSignature)
        fail(" : Unable to read entry");
    if (entry->compressionMethod != ZIPFormat::Stored &&
        entry->compressionMethod != ZIPFormat::Deflated)
        fail(" : Unsupported compression format");
    if (entry->fileNameLength == 0 || entry->fileNameLength > ZIPFormat::MaximumNameLength)
        fail(" : Invalid entry filename");
    std::string name(entry->fileNameLength, '\0');
    if (!reader.readAt(scan.position + sizeof header, name.data(), name.size()))
        fail(" : Unable to read entry");
    scan.position +=
        sizeof header + name.size() + entry->extraFieldLength + entry->fileCommentLength;
    locateData(reader, *entry);
    scan.extents.push_back({entry->localHeaderOffset, entry->dataOffset + entry->storedSize()});
    if (isSlash(name.back()))
        return;
    // The first record of a name stays; later duplicates are dropped.
    entries.try_emplace(std::move(name), std::move(entry));
}

void ZIPPackage::locateData(PackageReader &reader, ZIPEntry &entry) const {
    unsigned char header[ZIPFormat::LocalHeaderSize];
    if (!reader.readAt(entry.localHeaderOffset, reinterpret_cast<char *>(header), sizeof header) ||
        ZIPFormat::readUInt32(header) != ZIPFormat::LocalHeaderSignature)
        fail(" : Unable to read entry");
    // The local name and extra field may differ in length from the central ones.
    entry.dataOffset = std::uint64_t{entry.localHeaderOffset} + ZIPFormat::LocalHeaderSize +
                       ZIPFormat::readUInt16(header + 26) + ZIPFormat::readUInt16(header + 28);
}

// No archiving tool lets two entries share bytes. A package that does can point a thousand
// entries at one large deflate stream and make a small download inflate to gigabytes.
void ZIPPackage::refuseOverlaps(std::vector<Extent> &extents) const {
    std::sort(extents.begin(), extents.end(),
              [](const Extent &a, const Extent &b) { return a.start < b.start; });
    // Sorted by start, any overlap shows between neighbours.
    for (std::size_t index = 1; index < extents.size(); ++index)
        if (extents[index].start < extents[index - 1].end)
            fail(" : Unable to read entry");
}

void ZIPPackage::fail(const std::string &reason) const {
    throw Exception("File " + getName() + reason);
}

bool ZIPPackage::exists(const std::string &path) { return entries.count(path) != 0; }

std::unique_ptr<Stream> ZIPPackage::open(const std::string &path, int mode) {
    const auto found = entries.find(path);
    if (found == entries.end())
        return nullptr;
    auto file = std::make_unique<ZippedFile>(path, mode, stream, *found->second);
    if (!file->open())
        return nullptr;
    return file;
}

std::unique_ptr<ZIPEntryReader> ZIPPackage::openReader(const std::string &path) const {
    const auto found = entries.find(path);
    if (found == entries.end())
        return nullptr;
    return std::make_unique<ZIPEntryReader>(stream, *found->second);
}

void ZIPPackage::listFiles(const std::string &folder, std::vector<std::string> &names) {
    const std::string wanted = withoutTrailingSlash(folder);
    for (const auto &[name, entry] : entries) {
        const std::size_t separator = name.find_last_of("\\/:");
        const std::string folderPart =
            separator == std::string::npos ? std::string() : name.substr(0, separator);
        if (folderPart == wanted)
            names.push_back(separator == std::string::npos ? name : name.substr(separator + 1));
    }
}

void ZIPPackage::listDirectories(const std::string &folder, std::vector<std::string> &names) {
    const std::string wanted = withoutTrailingSlash(folder);
    const std::string prefix = wanted.empty() ? std::string() : wanted + "/";
    std::set<std::string> folders;
    for (const auto &[name, entry] : entries) {
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::size_t slash = name.find('/', prefix.size());
        if (slash != std::string::npos)
            folders.insert(name.substr(prefix.size(), slash - prefix.size()));
    }
    names.insert(names.end(), folders.begin(), folders.end());
}

} // namespace Cobalt::IO
