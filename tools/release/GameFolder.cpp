// Walking the game folder with the standard file system library.
#include "tools/release/GameFolder.h"

#include "states/InstallName.h"
#include "tools/release/PortableName.h"
#include "tools/release/ReleaseError.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace Release {

namespace fs = std::filesystem;

namespace {
std::vector<char> contentsOf(const fs::path &path, const std::string &name) {
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        throw ReleaseError("cannot read " + name + ": not a readable file");
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        throw ReleaseError("cannot open " + name);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw ReleaseError("cannot read " + name);
    return bytes;
}
} // namespace

std::map<std::string, std::vector<char>> readGameFolder(const std::string &folder,
                                                        ReleaseProgress &progress) {
    std::error_code error;
    if (!fs::is_directory(folder, error))
        throw ReleaseError("the game folder " + folder + " is not a folder");
    std::map<std::string, std::vector<char>> files;
    progress.stepStarted(ReleaseStep::Reading, 0, 0);
    fs::recursive_directory_iterator entry(folder, fs::directory_options::follow_directory_symlink,
                                           error);
    for (; !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
        // A broken link has no status; it is refused below as unreadable, not as a listing error.
        std::error_code noStatus;
        if (entry->is_directory(noStatus))
            continue;
        const std::string name = entry->path().lexically_relative(folder).generic_string();
        if (!Kestrel::isSafeInstallName(name))
            throw ReleaseError("the launcher refuses the file name " + name);
        const std::string problem = portableNameProblem(name);
        if (!problem.empty())
            throw ReleaseError("the file name " + name +
                               " cannot be installed on Windows: " + problem);
        const auto read = files.emplace(name, contentsOf(entry->path(), name)).first;
        progress.fileDone(read->second.size());
    }
    if (error)
        throw ReleaseError("cannot list " + folder + ": " + error.message());
    return files;
}

} // namespace Release
