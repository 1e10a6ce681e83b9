// Turns a game folder and its description into a release: the manifest and one package per group.
#pragma once

#include "app/Ed25519.h"
#include "tools/release/PreviousManifest.h"
#include "tools/release/ReleaseChanges.h"
#include "tools/release/ReleaseDescription.h"
#include "tools/release/ReleaseProgress.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace Release {

struct ManifestFile {
    std::string name;
    std::string ver;
    std::string md5;
    std::string type; // empty for a plain file
    std::string args; // only for "exec"
};

struct ManifestGroup {
    std::string name;
    std::string ver;
    std::string path;
    std::vector<ManifestFile> files; // by name, "exec" entries last
    std::vector<char> package;
};

struct ReleaseContents {
    std::string version;
    std::vector<ManifestGroup> groups;
    ReleaseChanges changes; // against the previous release
    std::string expires; // the manifest's "expires" time; empty: it never expires

    // The manifest's XML text, one tab of indent per level, without line ends at its end: the
    // site download would drop them, and a signature covers the bytes the launcher holds. Every
    // group carries its package's "sha256".
    std::string manifestText() const;
};

// Builds the release in memory. Files unchanged since previous (same digest, type and args) keep
// its "ver"; changed and new ones get version, and every group the highest "ver" among its
// entries. Every package lies below a folder named after version ("<version>/<package path>"),
// so that no package name is used by two releases. Files of previous that are gone are listed as
// "removed" with version (and ones removed earlier stay as they were). Throws ReleaseError,
// before anything is written, when version is not a number above 0 and above previous's or
// cannot name a folder, a file belongs to no group, an "exec" or "restore_only" names no file of
// the folder, or a package would be too large for the manifest. Tells progress of each file
// hashed and packed.
ReleaseContents buildRelease(const ReleaseDescription &description,
                             const std::map<std::string, std::vector<char>> &files,
                             const std::optional<PreviousManifest> &previous,
                             const std::string &version,
                             ReleaseProgress &progress = ReleaseProgress::none());

// Writes every package to folder + its path, then, with a key, the manifest's detached signature
// to folder + manifestName + ".sig" (its base64 text and a line end), then the manifest to folder
// + manifestName, each through a file beside it that is moved into place once complete. Throws
// ReleaseError naming the file that could not be written, or a package whose path is
// manifestName, before writing. Tells progress of each package written.
void writeRelease(const ReleaseContents &release, const std::string &folder,
                  const std::string &manifestName,
                  const Cobalt::Ed25519::SecretKey *signingKey = nullptr,
                  ReleaseProgress &progress = ReleaseProgress::none());

} // namespace Release
