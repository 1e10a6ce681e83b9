// Makes a test folder the installation that relative names are made and written in.
#pragma once

#include "io/FileServer.h"
#include "io/Win32FileSystem.h"

#include <string>

namespace Testing {

// The launcher runs in its own folder, so its two disk roots, the current directory and the
// executable's folder, name one place. A test installs into a temporary folder instead, which
// must also take the executable folder's place as a root: folders for relative names are made
// under the first root (in byte order) that holds their parent, and that must not be the build
// folder, wherever the build happens to live. Callers make the folder current as well.
inline void useAsInstallationFolder(Cobalt::IO::FileServer &files, const std::string &folder) {
    Cobalt::IO::Win32FileSystem &disk = *files.getRootFileSystem();
    disk.removeSearchPath(disk.getHomeFolder());
    disk.addSearchPath(folder);
}

} // namespace Testing
