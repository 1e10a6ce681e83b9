// Options to a finished release: read the folder, the description and the previous manifest.
#include "tools/release/ReleaseCommandLine.h"

#include "states/InstallName.h"
#include "tools/release/GameFolder.h"
#include "tools/release/ReleaseError.h"

#include <fstream>
#include <map>

namespace Release {

const char *const ReleaseUsage =
    "usage: brightwell-release --files <game folder> --version <text> --output <release folder>\n"
    "                          [--description <file>] [--previous <manifest>] [--manifest "
    "<name>]\n";

ReleaseOptions parseReleaseArguments(const std::vector<std::string> &arguments) {
    ReleaseOptions options;
    const std::map<std::string, std::string *> targets = {
        {"--files", &options.filesFolder},         {"--output", &options.outputFolder},
        {"--version", &options.version},           {"--description", &options.descriptionPath},
        {"--previous", &options.previousManifest}, {"--manifest", &options.manifestName},
    };
    std::map<std::string, bool> seen;
    for (std::size_t index = 0; index < arguments.size(); index += 2) {
        const auto target = targets.find(arguments[index]);
        if (target == targets.end())
            throw ReleaseError("unknown option " + arguments[index]);
        if (seen[target->first])
            throw ReleaseError(target->first + " is given twice");
        if (index + 1 >= arguments.size() || arguments[index + 1].empty())
            throw ReleaseError(target->first + " needs a value");
        seen[target->first] = true;
        *target->second = arguments[index + 1];
    }
    for (const char *required : {"--files", "--version", "--output"})
        if (!seen[required])
            throw ReleaseError(std::string(required) + " is required");
    if (!Kestrel::isSafeInstallName(options.manifestName))
        throw ReleaseError("the manifest name " + options.manifestName +
                           " must be a relative path inside the release folder");
    return options;
}

ReleaseContents runRelease(const ReleaseOptions &options) {
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
    const auto files = readGameFolder(options.filesFolder);
    ReleaseContents release = buildRelease(description, files, previous, options.version);
    writeRelease(release, options.outputFolder, options.manifestName);
    return release;
}

} // namespace Release
