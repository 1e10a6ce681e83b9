// Options to a finished release: read the folder, the description and the previous manifest.
#include "tools/release/ReleaseCommandLine.h"

#include "app/UtcTime.h"
#include "states/InstallName.h"
#include "tools/release/GameFolder.h"
#include "tools/release/ReleaseError.h"
#include "tools/release/SigningKey.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace Release {

const char *const ReleaseUsage =
    "usage: brightwell-release --files <game folder> --version <text> --output <release folder>\n"
    "                          [--description <file>] [--previous <manifest>] [--manifest "
    "<name>]\n"
    "                          [--sign <secret key file>] [--expires <days>] [--quiet]\n"
    "       brightwell-release keygen --secret-key <file>\n";

namespace {
constexpr int MaximumExpiryDays = 36500;

bool isExpiryDays(const std::string &text) {
    return !text.empty() && text.size() <= 5 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           std::stoi(text) >= 1 && std::stoi(text) <= MaximumExpiryDays;
}
} // namespace

ReleaseOptions parseReleaseArguments(const std::vector<std::string> &arguments) {
    ReleaseOptions options;
    const std::map<std::string, std::string *> targets = {
        {"--files", &options.filesFolder},         {"--output", &options.outputFolder},
        {"--version", &options.version},           {"--description", &options.descriptionPath},
        {"--previous", &options.previousManifest}, {"--manifest", &options.manifestName},
        {"--sign", &options.secretKey},            {"--expires", &options.expiresDays},
    };
    std::map<std::string, bool> seen;
    std::size_t index = 0;
    while (index < arguments.size()) {
        // The one switch without a value.
        if (arguments[index] == "--quiet") {
            if (options.quiet)
                throw ReleaseError("--quiet is given twice");
            options.quiet = true;
            ++index;
            continue;
        }
        const auto target = targets.find(arguments[index]);
        if (target == targets.end())
            throw ReleaseError("unknown option " + arguments[index]);
        if (seen[target->first])
            throw ReleaseError(target->first + " is given twice");
        if (index + 1 >= arguments.size() || arguments[index + 1].empty())
            throw ReleaseError(target->first + " needs a value");
        seen[target->first] = true;
        *target->second = arguments[index + 1];
        index += 2;
    }
    for (const char *required : {"--files", "--version", "--output"})
        if (!seen[required])
            throw ReleaseError(std::string(required) + " is required");
    if (seen["--expires"] && !isExpiryDays(options.expiresDays))
        throw ReleaseError("--expires takes whole days from 1 to " +
                           std::to_string(MaximumExpiryDays));
    if (!Kestrel::isSafeInstallName(options.manifestName))
        throw ReleaseError("the manifest name " + options.manifestName +
                           " must be a relative path inside the release folder");
    return options;
}

namespace {
// A release written inside the game folder would be packaged as game files by the next run.
void checkFoldersApart(const std::string &files, const std::string &output) {
    std::error_code ignored;
    const auto game = std::filesystem::weakly_canonical(files, ignored);
    const auto release = std::filesystem::weakly_canonical(output, ignored);
    const auto [gameEnd, releaseEnd] =
        std::mismatch(game.begin(), game.end(), release.begin(), release.end());
    // A trailing separator leaves an empty last component.
    if (gameEnd == game.end() || (gameEnd->empty() && std::next(gameEnd) == game.end()))
        throw ReleaseError("the release folder " + output + " lies inside the game folder " +
                           files);
}
} // namespace

ReleaseContents runRelease(const ReleaseOptions &options, ReleaseProgress &progress) {
    checkFoldersApart(options.filesFolder, options.outputFolder);
    ReleaseDescription description = ReleaseDescription::everythingInOneGroup();
    if (!options.descriptionPath.empty()) {
        std::ifstream in(options.descriptionPath);
        if (!in)
            throw ReleaseError("cannot read the description " + options.descriptionPath);
        description = ReleaseDescription::parse(in, options.descriptionPath);
    }
    std::optional<PreviousManifest> previous;
    if (!options.previousManifest.empty())
        previous = PreviousManifest::read(options.previousManifest);
    std::optional<Cobalt::Ed25519::SecretKey> key;
    if (!options.secretKey.empty())
        key = readSecretKey(options.secretKey);
    const auto files = readGameFolder(options.filesFolder, progress);
    ReleaseContents release = buildRelease(description, files, previous, options.version, progress);
    if (!options.expiresDays.empty())
        release.expires = Cobalt::formatUtcTime(Cobalt::currentUtcTime() +
                                                std::int64_t{86400} * std::stoi(options.expiresDays));
    writeRelease(release, options.outputFolder, options.manifestName, key ? &*key : nullptr,
                 progress);
    return release;
}

std::string runKeygen(const std::vector<std::string> &arguments) {
    if (arguments.size() != 2 || arguments[0] != "--secret-key" || arguments[1].empty())
        throw ReleaseError("keygen takes --secret-key <file>");
    return "<publicKey>" + makeSecretKey(arguments[1]) + "</publicKey>";
}

} // namespace Release
