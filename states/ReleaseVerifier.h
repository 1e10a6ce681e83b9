// Whether a release comes from its publisher and is current: the manifest's detached signature
// under one of the launcher's configured keys, its version against the installed manifest's, its
// expiry, and each package's SHA-256. Without a key nothing is checked: unsigned releases and
// launchers without keys work as they always did.
#pragma once

#include "app/Ed25519.h"
#include "app/Sha256.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Cobalt::IO {
class FileServer;
}

namespace Kestrel {

class ReleaseVerifier {
public:
    // The name of a manifest's signature on the server: the manifest's own name and ".sig".
    static std::string signatureName(const std::string &manifestName) {
        return manifestName + ".sig";
    }
    // The largest signature file taken; a real one is 88 bytes.
    static constexpr std::size_t SignatureLimit = 1024;

    // Adds a public key written as the release tool prints it (base64 of its 32 bytes). False
    // for any other text, which adds no key but still demands signatures.
    bool addKey(const std::string &text);
    // Whether a key was configured (even a malformed one), so that releases must be signed.
    bool isEnabled() const { return enabled; }

    // Why manifest (the bytes the launcher holds) is not signed by signatureFile (the bytes the
    // site download gave for the signature: base64 of a detached Ed25519 signature, nothing
    // else) under any configured key. Empty when it is.
    std::string checkSignature(const std::vector<char> &manifest,
                               const std::vector<char> &signatureFile) const;
    // Why a signed manifest of version (its "version" text) and expires (its "expires" text,
    // empty when absent) may not replace an installation of installedVersion at now (seconds of
    // UTC): older than the installation (a replayed release), or expired (a frozen server).
    // Empty when it may.
    static std::string checkCurrent(const std::string &version, const std::string &expires,
                                    std::int32_t installedVersion, std::int64_t now);
    // Why the file at path (through files) does not have the SHA-256 that sha256 writes in
    // hexadecimal: unreadable, no digest given, or another digest. Empty when it has. Takes
    // arrived, the digest of its bytes as they were written, when there is one; otherwise reads
    // the file in pieces, and memory does not grow with it.
    static std::string checkPackage(Cobalt::IO::FileServer &files, const std::string &path,
                                    const std::string &sha256,
                                    const std::optional<Cobalt::Sha256::Digest> &arrived = {});

private:
    std::vector<Cobalt::Ed25519::PublicKey> keys;
    bool enabled = false;
};

} // namespace Kestrel
