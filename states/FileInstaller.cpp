// Installing files from a package: streamed and checked into a staged file, moved over the
// target.
#include "states/FileInstaller.h"

#include "app/Log.h"
#include "app/Md5.h"
#include "io/FileServer.h"
#include "io/StagedFile.h"
#include "io/Win32FileSystem.h"
#include "io/ZIPEntryReader.h"
#include "io/ZIPPackage.h"
#include "platform/NativeFile.h"
#include "platform/SystemHelpers.h"
#include "states/InstallName.h"
#include "states/StagingFolder.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace Kestrel {

namespace {
// Manifest names may use slashes; the shell is handed the system's own separator.
void startWithShell(const std::string &path, const std::string &args) {
    std::string program = path;
    std::replace(program.begin(), program.end(), '/', Cobalt::Platform::preferredSeparator());
    Cobalt::runWithShell(program.c_str(), args.c_str());
}

// Hexadecimal digits name the same digest in either case.
bool sameDigest(const std::string &a, const std::string &b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The folder a Folder action makes is its name itself; only the folders above it are on the way.
std::string withoutTrailingSeparator(std::string name) {
    while (!name.empty() && (name.back() == '/' || name.back() == '\\'))
        name.pop_back();
    return name;
}
} // namespace

std::string InstallResult::message() const {
    switch (outcome) {
    case InstallOutcome::Unreadable:
        return "Could not read the file " + name + " from the update package.";
    case InstallOutcome::WriteFailed:
        return "Could not write the local file " + name + ".";
    case InstallOutcome::NotReplaced:
    case InstallOutcome::Mismatched:
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

InstallResult FileInstaller::carryOut(const FileAction &action, Cobalt::IO::ZIPPackage *package) {
    InstallResult result;
    result.name = action.name;
    if (!isSafeInstallName(action.name) ||
        files.getRootFileSystem()->crossesLink(withoutTrailingSeparator(action.name))) {
        result.outcome = InstallOutcome::Refused;
        return result;
    }
    switch (action.kind) {
    case FileActionKind::RestoreOnly:
        if (!files.getRootFileSystem()->exists(action.name))
            result.outcome = install(action, package);
        break;
    case FileActionKind::Replace:
        result.outcome = install(action, package);
        break;
    case FileActionKind::Execute: {
        result.outcome = install(action, package);
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

InstallOutcome FileInstaller::install(const FileAction &action, Cobalt::IO::ZIPPackage *package) {
    const auto entry = package ? package->openReader(action.name) : nullptr;
    if (!entry || !entry->open())
        return InstallOutcome::Unreadable;
    const std::string pending = StagingFolder::pendingCopy(staged++, action.name);
    auto copy = files.createFile(pending);
    if (!copy)
        return InstallOutcome::WriteFailed;
    InstallOutcome outcome = copyChecked(*entry, *copy, action);
    if (outcome == InstallOutcome::Done && !(copy->flushToDevice() && copy->close()))
        outcome = InstallOutcome::WriteFailed;
    if (outcome == InstallOutcome::Done) {
        files.createDirectory(action.name.c_str());
        if (!files.replace(pending, action.name))
            outcome = InstallOutcome::NotReplaced;
    }
    if (outcome != InstallOutcome::Done) {
        copy.reset();
        files.remove(pending);
    }
    return outcome;
}

InstallOutcome FileInstaller::copyChecked(Cobalt::IO::ZIPEntryReader &entry,
                                          Cobalt::IO::StagedFile &copy, const FileAction &action) {
    const bool checksDigest = !action.md5.empty();
    Cobalt::Md5 digest;
    std::vector<char> chunk(ChunkSize);
    while (const std::size_t count = entry.read(chunk.data(), chunk.size())) {
        if (checksDigest)
            digest.update(chunk.data(), count);
        if (!copy.receive(chunk.data(), count))
            return InstallOutcome::WriteFailed;
    }
    if (!entry.finished())
        return InstallOutcome::Unreadable;
    if (checksDigest && !sameDigest(digest.hexDigest(), action.md5)) {
        Cobalt::Log::instance().message("%s differs from the manifest: MD5 %s, expected %s",
                                        action.name.c_str(), digest.hexDigest().c_str(),
                                        action.md5.c_str());
        return InstallOutcome::Mismatched;
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
