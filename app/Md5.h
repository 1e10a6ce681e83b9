// MD5 digests (RFC 1321) of byte buffers, as the login and the update checks write them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Cobalt {

// An MD5 digest taken over bytes that arrive in pieces of any size, for contents too large to
// hold whole.
class Md5 {
public:
    // Adds the next size bytes.
    void update(const char *data, std::size_t size);
    // The digest of everything added, as 32 lower-case hexadecimal digits (the digest of no
    // bytes too). Adds nothing: it may be asked again later.
    std::string hexDigest() const;

private:
    std::uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    unsigned char pending[64] = {};
    std::size_t pendingSize = 0;
    std::uint64_t totalSize = 0;
};

// The MD5 digest of bytes as 32 lower-case hexadecimal digits, a leading zero for every byte
// below 16. The empty text for an empty buffer (not the digest of no bytes).
std::string md5Hex(const std::vector<char> &bytes);

} // namespace Cobalt
