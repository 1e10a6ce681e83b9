// Key files: the secret key's base64 text on one line.
#include "tools/release/SigningKey.h"

#include "platform/NewFile.h"
#include "tools/release/ReleaseError.h"

#include <fstream>
#include <iterator>

namespace Release {

std::string makeSecretKey(const std::string &path) {
    const Cobalt::Ed25519::KeyPair pair = Cobalt::Ed25519::generateKeyPair();
    // Created new: an existing key, perhaps the one every installed launcher trusts, is never
    // overwritten.
    auto file = Cobalt::Platform::NewFile::createPrivate(path);
    if (!file)
        throw ReleaseError("cannot create " + path + " (a key file must not exist yet)");
    const std::string text = Cobalt::Ed25519::toText(pair.secretKey) + "\n";
    if (!file->write(text.data(), text.size()) || !file->flushToDevice() || !file->close())
        throw ReleaseError("cannot write " + path);
    return Cobalt::Ed25519::toText(pair.publicKey);
}

Cobalt::Ed25519::SecretKey readSecretKey(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ReleaseError("cannot read the secret key " + path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    const auto key = Cobalt::Ed25519::fromText<crypto_sign_SECRETKEYBYTES>(text);
    if (!key)
        throw ReleaseError(path + " holds no secret key made by keygen");
    return *key;
}

} // namespace Release
