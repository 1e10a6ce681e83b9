// Ed25519 signatures (libsodium's) over whole byte buffers, and the one-line base64 text in which
// keys and signatures travel (configuration values, signature files, key files).
#pragma once

#include <sodium.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace Cobalt::Ed25519 {

using PublicKey = std::array<unsigned char, crypto_sign_PUBLICKEYBYTES>;
using SecretKey = std::array<unsigned char, crypto_sign_SECRETKEYBYTES>;
using Signature = std::array<unsigned char, crypto_sign_BYTES>;

struct KeyPair {
    PublicKey publicKey;
    SecretKey secretKey;
};

// A new key pair from the system's random source. Throws std::runtime_error when libsodium
// cannot start.
KeyPair generateKeyPair();
// The detached signature of message.
Signature sign(const std::vector<char> &message, const SecretKey &secretKey);
// Whether signature is publicKey's signature of exactly message.
bool verify(const Signature &signature, const std::vector<char> &message,
            const PublicKey &publicKey);

// Bytes as standard padded base64, one line without a line end.
std::string toText(const unsigned char *data, std::size_t size);
template <std::size_t N> std::string toText(const std::array<unsigned char, N> &bytes) {
    return toText(bytes.data(), N);
}
// The N bytes that text holds in standard padded base64, with nothing before or after them
// (not even blanks); none for anything else.
bool fromText(const std::string &text, unsigned char *data, std::size_t size);
template <std::size_t N> std::optional<std::array<unsigned char, N>> fromText(const std::string &text) {
    std::array<unsigned char, N> bytes{};
    if (!fromText(text, bytes.data(), N))
        return std::nullopt;
    return bytes;
}

} // namespace Cobalt::Ed25519
