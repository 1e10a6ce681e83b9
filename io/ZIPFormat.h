// ZIP archive layout: record signatures and sizes, little-endian field readers, the entry record.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Cobalt::IO {

namespace ZIPFormat {

constexpr std::uint32_t EndOfDirectorySignature = 0x06054b50;
constexpr std::uint32_t LocalHeaderSignature = 0x04034b50;
constexpr std::size_t EndOfDirectorySize = 22;
constexpr std::size_t CentralHeaderSize = 46;
constexpr std::size_t LocalHeaderSize = 30;
constexpr std::uint16_t Stored = 0;
constexpr std::uint16_t Deflated = 8;
constexpr std::uint16_t MaximumNameLength = 32767;

inline std::uint16_t readUInt16(const unsigned char *bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline std::uint32_t readUInt32(const unsigned char *bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

} // namespace ZIPFormat

// One file entry of the central directory, its fields as the archive stores them.
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
