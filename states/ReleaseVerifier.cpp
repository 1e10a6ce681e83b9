// The checks of a signed release, each answering with the reason it fails for the log.
#include "states/ReleaseVerifier.h"

#include "app/Sha256.h"
#include "app/UtcTime.h"
#include "io/FileServer.h"
#include "io/OpenMode.h"
#include "io/PackageReader.h"
#include "states/ManifestVersion.h"

#include <algorithm>

namespace Kestrel {

bool ReleaseVerifier::addKey(const std::string &text) {
    enabled = true;
    const auto key = Cobalt::Ed25519::fromText<crypto_sign_PUBLICKEYBYTES>(text);
    if (key)
        keys.push_back(*key);
    return key.has_value();
}

std::string ReleaseVerifier::checkSignature(const std::vector<char> &manifest,
                                            const std::vector<char> &signatureFile) const {
    const auto signature = Cobalt::Ed25519::fromText<crypto_sign_BYTES>(
        std::string(signatureFile.begin(), signatureFile.end()));
    if (!signature)
        return "its signature file is malformed";
    for (const Cobalt::Ed25519::PublicKey &key : keys)
        if (Cobalt::Ed25519::verify(*signature, manifest, key))
            return "";
    return "its signature was not made by any configured key over these bytes";
}

std::string ReleaseVerifier::checkCurrent(const std::string &version, const std::string &expires,
                                          std::int32_t installedVersion, std::int64_t now) {
    // An equal version is the installed release again, which a full check downloads.
    if (parseManifestVersion(version) < installedVersion)
        return "its version \"" + version + "\" is older than the installed one";
    if (expires.empty())
        return "";
    const auto end = Cobalt::parseUtcTime(expires);
    if (!end)
        return "its expiry \"" + expires + "\" is no time";
    if (*end <= now)
        return "it expired at " + expires;
    return "";
}

namespace {

constexpr std::uint64_t ReadPiece = 64 * 1024;

// The digest of the file at path, read in pieces; none when it cannot be read.
std::optional<Cobalt::Sha256::Digest> readDigest(Cobalt::IO::FileServer &files,
                                                 const std::string &path) {
    auto stream = files.open(path, Cobalt::IO::In | Cobalt::IO::Binary);
    if (!stream)
        return std::nullopt;
    Cobalt::IO::PackageReader reader(*stream);
    Cobalt::Sha256 digest;
    std::vector<char> piece(ReadPiece);
    for (std::uint64_t position = 0; position < reader.size(); position += ReadPiece) {
        const std::uint64_t count = std::min(ReadPiece, reader.size() - position);
        if (!reader.readAt(position, piece.data(), count))
            return std::nullopt;
        digest.update(piece.data(), static_cast<std::size_t>(count));
    }
    return digest.digest();
}

} // namespace

std::string ReleaseVerifier::checkPackage(Cobalt::IO::FileServer &files, const std::string &path,
                                          const std::string &sha256,
                                          const std::optional<Cobalt::Sha256::Digest> &arrived) {
    const auto expected = Cobalt::Sha256::parseHex(sha256);
    if (!expected)
        return "its group gives no SHA-256 (\"" + sha256 + "\")";
    const auto actual = arrived ? arrived : readDigest(files, path);
    if (!actual)
        return "it cannot be read";
    if (*actual != *expected)
        return "its SHA-256 is " + Cobalt::Sha256::hex(*actual) + ", not " + sha256;
    return "";
}

} // namespace Kestrel
