// The publisher's Ed25519 secret key: made once by "keygen", kept private, read to sign releases.
#pragma once

#include "app/Ed25519.h"

#include <string>

namespace Release {

// Writes a new secret key to path, a file that must not exist yet (only its owner may read it
// on POSIX), and returns the matching public key's text for the launcher's configuration. Throws
// ReleaseError when path exists or cannot be written whole.
std::string makeSecretKey(const std::string &path);
// The secret key in the file keygen wrote. Throws ReleaseError when it cannot be read or holds
// anything else.
Cobalt::Ed25519::SecretKey readSecretKey(const std::string &path);

} // namespace Release
