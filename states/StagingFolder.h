// The launcher's own folder inside the installation, where an update's downloads and new files
// are made before they take their place.
#pragma once

#include <string>

namespace Cobalt::IO {
class FileServer;
}

namespace Kestrel {

// The folder lies in the installation (the launcher's current folder), so that it is on the
// installation's volume, where a finished file moves into place in one step, and so that only
// whoever may change the installation can write it: on an installation that only administrators
// may change, nobody else can swap a file between its check and its use. The "temp" alias leads
// here. No manifest name may lie inside it (isSafeInstallName), so no game file can collide with
// a staged one. Every staged file has a flat name directly inside the folder.
class StagingFolder {
public:
    // The folder's name in the installation, and the alias that leads there.
    static constexpr const char *Name = ".brightwell";
    static constexpr const char *Alias = "temp";

    // The files are made and removed through files, which must outlive the folder.
    explicit StagingFolder(Cobalt::IO::FileServer &files);

    // Points the alias at the folder and makes the folder a real folder of the installation: a
    // link or a file in its place is removed first. False, and logged, when that cannot be done;
    // nothing may be staged then.
    bool prepare();

    // Where the downloaded server manifest waits for its commit.
    static std::string manifestCopy();
    // Where the package at packagePath (a path of the release, possibly with folders) is
    // downloaded: one name per path, none inside a subfolder.
    static std::string packageCopy(const std::string &packagePath);
    // Where the number-th new file of a run is written before it moves over name.
    static std::string pendingCopy(unsigned number, const std::string &name);

private:
    Cobalt::IO::FileServer &files;
};

} // namespace Kestrel
