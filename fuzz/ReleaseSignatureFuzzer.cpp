// Fuzz target: a signed release's untrusted texts. The input is a signature file, a zero byte and
// a manifest: the signature is checked against a fixed key (nothing may ever pass, as nothing
// here holds the secret key), and every "version", "expires" and group "sha256" attribute of the
// manifest goes through the launcher's checks, which must agree with their own writers.
#include "app/Sha256.h"
#include "app/UtcTime.h"
#include "io/MemoryStream.h"
#include "serialization/XMLInputArchive.h"
#include "states/ReleaseVerifier.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

const Kestrel::ReleaseVerifier &verifier() {
    static const Kestrel::ReleaseVerifier fixed = [] {
        Kestrel::ReleaseVerifier made;
        check(made.addKey("V94/1f03M83XLWVz3ra2OGJmdENMWJ32QMcZQJ5hsdQ="));
        return made;
    }();
    return fixed;
}

void checkSignature(const std::vector<char> &signatureFile, const std::vector<char> &manifest) {
    check(!verifier().checkSignature(manifest, signatureFile).empty());
    const std::string text(signatureFile.begin(), signatureFile.end());
    // A signature text that parses is the one canonical text of its bytes.
    if (const auto signature = Cobalt::Ed25519::fromText<crypto_sign_BYTES>(text))
        check(Cobalt::Ed25519::toText(*signature) == text);
}

void checkDigestText(const std::string &text) {
    const auto digest = Cobalt::Sha256::parseHex(text);
    if (!digest)
        return;
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    check(Cobalt::Sha256::hex(*digest) == lower);
}

void checkRoot(Cobalt::XMLInputArchive &manifest) {
    const std::string version = Cobalt::attributeText(manifest, "version");
    const std::string expires = Cobalt::attributeText(manifest, "expires");
    if (const auto end = Cobalt::parseUtcTime(expires)) {
        check(Cobalt::formatUtcTime(*end) == expires);
        check(!Kestrel::ReleaseVerifier::checkCurrent(version, expires, 0, *end).empty());
    }
    Kestrel::ReleaseVerifier::checkCurrent(version, expires, 0, 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const char *bytes = reinterpret_cast<const char *>(data);
    const char *split = std::find(bytes, bytes + size, '\0');
    const std::vector<char> signatureFile(bytes, split);
    const std::vector<char> manifest(split == bytes + size ? split : split + 1, bytes + size);
    checkSignature(signatureFile, manifest);

    Cobalt::XMLInputArchive archive(std::make_unique<Cobalt::IO::MemoryStream>(manifest));
    if (!archive.load() || !archive.enter("manifest"))
        return 0;
    checkRoot(archive);
    for (auto group = archive.nextElement(nullptr, "group"); group;
         group = archive.nextElement(group, "group"))
        checkDigestText(Cobalt::attributeText(archive, "sha256"));
    return 0;
}
