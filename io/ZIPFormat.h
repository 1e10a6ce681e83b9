// ZIP archive layout: record signatures and sizes, little-endian field readers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Cobalt::IO {

namespace ZIPFormat {

constexpr std::uint32_t EndOfDirectorySignature = 0x06054b50;
constexpr std::uint32_t CentralHeaderSignature = 0x02014b50;
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

} // namespace Cobalt::IO
