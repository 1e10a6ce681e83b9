// The release tool's command line and the run it describes.
#pragma once

#include "tools/release/ReleaseBuilder.h"

#include <string>
#include <vector>

namespace Release {

struct ReleaseOptions {
    std::string filesFolder;
    std::string outputFolder;
    std::string version;
    std::string descriptionPath;  // empty: every file in one group "game", package "game.zip"
    std::string previousManifest; // empty: a first release
    std::string manifestName = "manifest.xml";
    bool quiet = false; // only errors and the summary
    std::string secretKey;   // "--sign": the key file that signs the manifest; empty: unsigned
    std::string expiresDays; // "--expires": whole days the manifest stays valid; empty: forever
};

// How to call the tool, for its usage message.
extern const char *const ReleaseUsage;

// Reads "--files DIR --version TEXT --output DIR [--description FILE] [--previous FILE]
// [--manifest NAME] [--sign KEYFILE] [--expires DAYS] [--quiet]" (arguments without the program's
// name). Throws ReleaseError for an unknown or repeated option, a missing value, a missing
// required option, or DAYS that is not a whole number from 1 to 36500.
ReleaseOptions parseReleaseArguments(const std::vector<std::string> &arguments);

// Reads everything (the secret key too), builds the release and only then writes it. Throws
// ReleaseError; nothing is written when reading or building fails, or when the release folder
// lies inside the game folder. Tells progress what it is doing.
ReleaseContents runRelease(const ReleaseOptions &options,
                           ReleaseProgress &progress = ReleaseProgress::none());

// Runs "keygen --secret-key FILE" (arguments after the program's name and "keygen"): the public
// key's line for the launcher's configuration. Throws ReleaseError.
std::string runKeygen(const std::vector<std::string> &arguments);

} // namespace Release
