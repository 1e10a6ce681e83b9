// MD5 digests (RFC 1321) of byte buffers, as the login and the update checks write them.
#pragma once

#include <string>
#include <vector>

namespace Cobalt {

// The MD5 digest of bytes as 32 lower-case hexadecimal digits, a leading zero for every byte
// below 16. The empty text for an empty buffer (not the digest of no bytes).
std::string md5Hex(const std::vector<char> &bytes);

} // namespace Cobalt
