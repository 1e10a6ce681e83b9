// How a release differs from the one before it, file by file, for the release tool's summary.
#pragma once

#include "tools/release/PreviousManifest.h"

#include <cstddef>
#include <optional>

namespace Release {

struct ReleaseContents;

struct ReleaseChanges {
    std::size_t added = 0;   // listed, and not in the previous release or removed there
    std::size_t changed = 0; // in both, with another digest, type or program arguments
    std::size_t removed = 0; // in the previous release, gone from this one
    std::size_t kept = 0;    // in both, the same

    // Compares release with previous; without previous every file is new.
    static ReleaseChanges between(const ReleaseContents &release,
                                  const std::optional<PreviousManifest> &previous);
};

} // namespace Release
