// SHA-256 digests (libsodium's) of bytes that arrive in pieces, for the release's package checks.
#pragma once

#include <sodium.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>

namespace Cobalt {

class Sha256 {
public:
    using Digest = std::array<unsigned char, crypto_hash_sha256_BYTES>;

    Sha256();
    // Adds the next size bytes.
    void update(const char *data, std::size_t size);
    // The digest of everything added. Adds nothing: it may be asked again later.
    Digest digest() const;

    // The digest as 64 lower-case hexadecimal digits.
    static std::string hex(const Digest &digest);
    // The digest written as 64 hexadecimal digits in either letter case, nothing else; none
    // otherwise.
    static std::optional<Digest> parseHex(const std::string &text);

private:
    crypto_hash_sha256_state state;
};

} // namespace Cobalt
