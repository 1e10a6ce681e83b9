// brightwell-release: turns a folder of game files into an update manifest and its packages.
// What it is doing goes to the standard error stream, with a summary at the end; the release's
// groups to the standard output.
#include "tools/release/ReleaseCommandLine.h"
#include "tools/release/ReleaseError.h"
#include "tools/release/ReleaseReporter.h"

#include <cstdio>
#include <iostream>

namespace {
int keygen(const std::vector<std::string> &arguments) {
    try {
        const std::string line = Release::runKeygen(arguments);
        std::cerr << "Keep the secret key " << arguments[1]
                  << " private and backed up; put this line into gameStates/launcher.xml:\n";
        std::cout << line << '\n';
    } catch (const Release::ReleaseError &error) {
        std::cerr << "brightwell-release: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
} // namespace

int main(int argc, char **argv) {
    if (argc > 1 && std::string(argv[1]) == "keygen")
        return keygen(std::vector<std::string>(argv + 2, argv + argc));
    Release::ReleaseOptions options;
    try {
        options = Release::parseReleaseArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const Release::ReleaseError &error) {
        std::cerr << "brightwell-release: " << error.what() << '\n' << Release::ReleaseUsage;
        return 2;
    }
    Release::ReleaseReporter reporter(stderr, options.quiet);
    try {
        const Release::ReleaseContents release = Release::runRelease(options, reporter);
        if (!options.quiet) {
            std::cout << "release " << release.version << " written to " << options.outputFolder
                      << '\n';
            for (const Release::ManifestGroup &group : release.groups)
                std::cout << "  group " << group.name << " ver " << group.ver << ": "
                          << group.files.size() << " entries, " << group.path << " ("
                          << group.package.size() << " bytes)\n";
            std::cout.flush();
        }
        reporter.summarize(release);
    } catch (const Release::ReleaseError &error) {
        std::cerr << "brightwell-release: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
