// One file entry of a ZIP package's central directory.
#pragma once

#include "io/ZIPFormat.h"

#include <cstdint>

namespace Cobalt::IO {

// One file entry of the central directory, its fields as the archive stores them, and where its
// data starts as its local header says.
struct ZIPEntry {
    std::uint32_t signature = 0;
    std::uint16_t versionMadeBy = 0;
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t compressionMethod = 0;
    std::uint16_t modificationTime = 0;
    std::uint16_t modificationDate = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t fileNameLength = 0;
    std::uint16_t extraFieldLength = 0;
    std::uint16_t fileCommentLength = 0;
    std::uint16_t diskNumberStart = 0;
    std::uint16_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::uint32_t localHeaderOffset = 0;
    // Found from the local header when the directory is read.
    std::uint64_t dataOffset = 0;

    // The bytes the entry's data takes in the package: what the loader reads for its method.
    std::uint32_t storedSize() const {
        return compressionMethod == ZIPFormat::Stored ? uncompressedSize : compressedSize;
    }

    // Decodes the 46 fixed bytes of a central directory file header.
    static ZIPEntry fromCentralHeader(const unsigned char *bytes) {
        using ZIPFormat::readUInt16;
        using ZIPFormat::readUInt32;
        ZIPEntry entry;
        entry.signature = readUInt32(bytes);
        entry.versionMadeBy = readUInt16(bytes + 4);
        entry.versionNeeded = readUInt16(bytes + 6);
        entry.flags = readUInt16(bytes + 8);
        entry.compressionMethod = readUInt16(bytes + 10);
        entry.modificationTime = readUInt16(bytes + 12);
        entry.modificationDate = readUInt16(bytes + 14);
        entry.crc32 = readUInt32(bytes + 16);
        entry.compressedSize = readUInt32(bytes + 20);
        entry.uncompressedSize = readUInt32(bytes + 24);
        entry.fileNameLength = readUInt16(bytes + 28);
        entry.extraFieldLength = readUInt16(bytes + 30);
        entry.fileCommentLength = readUInt16(bytes + 32);
        entry.diskNumberStart = readUInt16(bytes + 34);
        entry.internalAttributes = readUInt16(bytes + 36);
        entry.externalAttributes = readUInt32(bytes + 38);
        entry.localHeaderOffset = readUInt32(bytes + 42);
        return entry;
    }
};

} // namespace Cobalt::IO
