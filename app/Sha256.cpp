// Thin owner of libsodium's SHA-256 state; no digest arithmetic of our own.
#include "app/Sha256.h"

#include <stdexcept>

namespace Cobalt {

Sha256::Sha256() {
    // Picks libsodium's implementations once per process; later calls return at once.
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium cannot start");
    crypto_hash_sha256_init(&state);
}

void Sha256::update(const char *data, std::size_t size) {
    crypto_hash_sha256_update(&state, reinterpret_cast<const unsigned char *>(data), size);
}

Sha256::Digest Sha256::digest() const {
    crypto_hash_sha256_state copy = state;
    Digest result{};
    crypto_hash_sha256_final(&copy, result.data());
    return result;
}

std::string Sha256::hex(const Digest &digest) {
    std::string text(digest.size() * 2 + 1, '\0');
    sodium_bin2hex(text.data(), text.size(), digest.data(), digest.size());
    text.pop_back();
    return text;
}

std::optional<Sha256::Digest> Sha256::parseHex(const std::string &text) {
    Digest digest{};
    std::size_t length = 0;
    const char *end = nullptr;
    if (text.size() != digest.size() * 2 ||
        sodium_hex2bin(digest.data(), digest.size(), text.data(), text.size(), nullptr, &length,
                       &end) != 0 ||
        length != digest.size() || end != text.data() + text.size())
        return std::nullopt;
    return digest;
}

} // namespace Cobalt
