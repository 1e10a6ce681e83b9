// The calls into libsodium behind release signatures; no cryptography of our own.
#include "app/Ed25519.h"

#include <algorithm>
#include <stdexcept>

namespace Cobalt::Ed25519 {

namespace {

// Picks libsodium's implementations and seeds its random source once per process.
void startSodium() {
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium cannot start");
}

const unsigned char *bytesOf(const std::vector<char> &message) {
    return reinterpret_cast<const unsigned char *>(message.data());
}

constexpr int Base64Variant = sodium_base64_VARIANT_ORIGINAL;

// libsodium 1.0.18 decodes some bytes above 0x7F as if they were base64 digits, so the alphabet
// is checked here first: one signature has exactly one text.
bool isBase64Text(const std::string &text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '+' || c == '/' || c == '=';
    });
}

} // namespace

KeyPair generateKeyPair() {
    startSodium();
    KeyPair pair{};
    crypto_sign_keypair(pair.publicKey.data(), pair.secretKey.data());
    return pair;
}

Signature sign(const std::vector<char> &message, const SecretKey &secretKey) {
    startSodium();
    Signature signature{};
    crypto_sign_detached(signature.data(), nullptr, bytesOf(message), message.size(),
                         secretKey.data());
    return signature;
}

bool verify(const Signature &signature, const std::vector<char> &message,
            const PublicKey &publicKey) {
    startSodium();
    return crypto_sign_verify_detached(signature.data(), bytesOf(message), message.size(),
                                       publicKey.data()) == 0;
}

std::string toText(const unsigned char *data, std::size_t size) {
    std::string text(sodium_base64_ENCODED_LEN(size, Base64Variant), '\0');
    sodium_bin2base64(text.data(), text.size(), data, size, Base64Variant);
    text.pop_back(); // the terminating zero
    return text;
}

bool fromText(const std::string &text, unsigned char *data, std::size_t size) {
    std::size_t length = 0;
    const char *end = nullptr;
    // Exactly the encoded length: a longer text could hide a second value behind the first.
    return text.size() == sodium_base64_ENCODED_LEN(size, Base64Variant) - 1 &&
           isBase64Text(text) &&
           sodium_base642bin(data, size, text.data(), text.size(), nullptr, &length, &end,
                             Base64Variant) == 0 &&
           length == size && end == text.data() + text.size();
}

} // namespace Cobalt::Ed25519
