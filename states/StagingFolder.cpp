// Staged names and the preparation of the staging folder.
#include "states/StagingFolder.h"

#include "app/Log.h"
#include "io/FileServer.h"
#include "io/Win32FileSystem.h"

namespace Kestrel {

namespace {
const std::string Root = std::string(StagingFolder::Alias) + ":";

// Folders become part of the name: '/' and '\' are written as "%2f" and "%5c", '%' as "%25", so
// that two different paths never share a name.
std::string flattened(const std::string &path) {
    std::string name;
    for (const char c : path) {
        if (c == '%')
            name += "%25";
        else if (c == '/')
            name += "%2f";
        else if (c == '\\')
            name += "%5c";
        else
            name += c;
    }
    return name;
}

std::string baseName(const std::string &path) {
    const auto separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}
} // namespace

StagingFolder::StagingFolder(Cobalt::IO::FileServer &files) : files(files) {}

bool StagingFolder::prepare() {
    files.setAlias(Alias, Name);
    if (files.getRootFileSystem()->makeRealFolder(files.resolve(Root)))
        return true;
    Cobalt::Log::instance().message("Could not make the staging folder %s", Name);
    return false;
}

std::string StagingFolder::manifestCopy() { return Root + "server-manifest.xml"; }

std::string StagingFolder::packageCopy(const std::string &packagePath) {
    return Root + "package-" + flattened(packagePath);
}

std::string StagingFolder::pendingCopy(unsigned number, const std::string &name) {
    return Root + std::to_string(number) + "-" + baseName(name) + ".updating";
}

} // namespace Kestrel
