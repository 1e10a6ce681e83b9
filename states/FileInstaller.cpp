// Installing files from a package: read whole, written beside the target, moved over it.
#include "states/FileInstaller.h"

#include "io/FileServer.h"
#include "io/FileSystem.h"
#include "io/OpenMode.h"
#include "io/Win32FileSystem.h"
#include "platform/NativeFile.h"
#include "platform/SystemHelpers.h"
#include "states/InstallName.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace Kestrel {

namespace {
// The whole entry, or none when it is missing or does not load (CRC-32 included).
std::optional<std::vector<char>> entryBytes(Cobalt::IO::FileSystem &package,
                                            const std::string &name) {
    const auto stream = package.open(name, Cobalt::IO::In | Cobalt::IO::Binary);
    if (!stream)
        return std::nullopt;
    std::vector<char> bytes;
    const std::uint32_t size = stream->getSize();
    if (size > 0 && !stream->read(bytes, size))
        return std::nullopt;
    return bytes;
}

// Manifest names may use slashes; the shell is handed the system's own separator.
void startWithShell(const std::string &path, const std::string &args) {
    std::string program = path;
    std::replace(program.begin(), program.end(), '/', Cobalt::Platform::preferredSeparator());
    Cobalt::runWithShell(program.c_str(), args.c_str());
}
} // namespace

std::string InstallResult::message() const {
    switch (outcome) {
    case InstallOutcome::Unreadable:
        return "Could not read the file " + name + " from the update package.";
    case InstallOutcome::WriteFailed:
        return "Could not write the local file " + name + ".";
    case InstallOutcome::NotReplaced:
        return "Could not update the local file " + name + ".";
    case InstallOutcome::Refused:
        return "The update names a file outside the installation: " + name;
    case InstallOutcome::Done:
        break;
    }
    return std::string();
}

FileInstaller::FileInstaller(Cobalt::IO::FileServer &files, ProgramStarter starter)
    : files(files), starter(starter ? std::move(starter) : startWithShell) {}

InstallResult FileInstaller::carryOut(const FileAction &action, Cobalt::IO::FileSystem *package) {
    InstallResult result;
    result.name = action.name;
    if (!isSafeInstallName(action.name)) {
        result.outcome = InstallOutcome::Refused;
        return result;
    }
    switch (action.kind) {
    case FileActionKind::RestoreOnly:
        if (!files.getRootFileSystem()->exists(action.name))
            result.outcome = install(action.name, package);
        break;
    case FileActionKind::Replace:
        result.outcome = install(action.name, package);
        break;
    case FileActionKind::Execute: {
        result.outcome = install(action.name, package);
        const std::string program = files.resolve(action.name);
        if (result.succeeded() && Cobalt::Platform::makeRunnable(program))
            starter(program, action.args);
        break;
    }
    case FileActionKind::Folder:
        result.outcome = makeFolder(action.name);
        break;
    case FileActionKind::Delete:
        result.outcome = removeFromDisk(action.name);
        break;
    }
    return result;
}

InstallOutcome FileInstaller::install(const std::string &name, Cobalt::IO::FileSystem *package) {
    const auto bytes = package ? entryBytes(*package, name) : std::nullopt;
    if (!bytes)
        return InstallOutcome::Unreadable;
    const std::string pending = name + PendingSuffix;
    files.createDirectory(pending.c_str());
    if (!files.writeFile(pending, *bytes)) {
        files.remove(pending);
        return InstallOutcome::WriteFailed;
    }
    if (!files.replace(pending, name)) {
        files.remove(pending);
        return InstallOutcome::NotReplaced;
    }
    return InstallOutcome::Done;
}

// The folder may exist already, which createDirectory reports as false; that is no failure.
InstallOutcome FileInstaller::makeFolder(const std::string &name) {
    std::string folder = name;
    if (folder.back() != '/' && folder.back() != '\\')
        folder += '/';
    files.createDirectory(folder.c_str());
    return InstallOutcome::Done;
}

InstallOutcome FileInstaller::removeFromDisk(const std::string &name) {
    if (files.getRootFileSystem()->exists(name) && !files.remove(name))
        return InstallOutcome::NotReplaced;
    return InstallOutcome::Done;
}

} // namespace Kestrel
