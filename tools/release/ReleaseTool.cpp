// brightwell-release: turns a folder of game files into an update manifest and its packages.
#include "tools/release/ReleaseCommandLine.h"
#include "tools/release/ReleaseError.h"

#include <iostream>

int main(int argc, char **argv) {
    Release::ReleaseOptions options;
    try {
        options = Release::parseReleaseArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const Release::ReleaseError &error) {
        std::cerr << "brightwell-release: " << error.what() << '\n' << Release::ReleaseUsage;
        return 2;
    }
    try {
        const Release::ReleaseContents release = Release::runRelease(options);
        std::cout << "release " << release.version << " written to " << options.outputFolder
                  << '\n';
        for (const Release::ManifestGroup &group : release.groups)
            std::cout << "  group " << group.name << " ver " << group.ver << ": "
                      << group.files.size() << " entries, " << group.path << " ("
                      << group.package.size() << " bytes)\n";
    } catch (const Release::ReleaseError &error) {
        std::cerr << "brightwell-release: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
