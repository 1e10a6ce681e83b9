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
// A large file is handed on to the device in steps of this size as it is written, and each step
// waits for the one before: the longest wait is the disk's time for this many bytes.
constexpr std::uint64_t WriteBehindBytes = 2 * 1024 * 1024;

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

// The file being copied: its entry, its new copy and the digest of what went through so far.
struct FileInstaller::CopyUnderWay {
    CopyUnderWay(Copy copy, std::unique_ptr<Cobalt::IO::ZIPEntryReader> entry)
        : copy(std::move(copy)), entry(std::move(entry)) {}

    Copy copy;
    std::unique_ptr<Cobalt::IO::ZIPEntryReader> entry;
    Cobalt::Md5 digest;
};

FileInstaller::FileInstaller(Cobalt::IO::FileServer &files, ProgramStarter starter)
    : files(files), starter(starter ? std::move(starter) : startWithShell) {}

FileInstaller::~FileInstaller() { discardWaiting(); }

InstallResult FileInstaller::resultOf(const FileAction &action, InstallOutcome outcome) const {
    InstallResult result;
    result.name = action.name;
    result.kind = action.kind;
    result.outcome = outcome;
    return result;
}

std::optional<InstallResult> FileInstaller::start(const FileAction &action,
                                                  Cobalt::IO::ZIPPackage *package) {
    if (!isSafeInstallName(action.name) ||
        files.getRootFileSystem()->crossesLink(withoutTrailingSeparator(action.name)))
        return resultOf(action, InstallOutcome::Refused);
    switch (action.kind) {
    case FileActionKind::Folder:
        return resultOf(action, makeFolder(action.name));
    case FileActionKind::Delete:
        return resultOf(action, removeFromDisk(action.name));
    case FileActionKind::RestoreOnly:
        if (files.getRootFileSystem()->exists(action.name))
            return resultOf(action, InstallOutcome::Done);
        break;
    case FileActionKind::Replace:
    case FileActionKind::Execute:
        break;
    }
    auto entry = package ? package->openReader(action.name) : nullptr;
    if (!entry || !entry->open())
        return resultOf(action, InstallOutcome::Unreadable);
    const std::string pending = StagingFolder::pendingCopy(staged++, action.name);
    auto file = files.createFile(pending);
    if (!file)
        return resultOf(action, InstallOutcome::WriteFailed);
    current =
        std::make_unique<CopyUnderWay>(Copy{action, pending, std::move(file)}, std::move(entry));
    chunk.resize(ChunkSize);
    return std::nullopt;
}

std::optional<InstallResult> FileInstaller::copyMore() {
    Copy &copy = current->copy;
    const std::size_t count = current->entry->read(chunk.data(), chunk.size());
    if (count == 0)
        return endCopy();
    if (!copy.action.md5.empty())
        current->digest.update(chunk.data(), count);
    const std::uint64_t before = copy.file->size();
    if (!copy.file->receive(chunk.data(), count)) {
        removeCopy(copy);
        const FileAction action = copy.action;
        current.reset();
        return resultOf(action, InstallOutcome::WriteFailed);
    }
    // A large file starts on its way to the device as it grows, so that its flush at the end of
    // the batch does not wait for all of it at once.
    if (before / WriteBehindBytes != copy.file->size() / WriteBehindBytes)
        copy.file->writeBehind();
    return std::nullopt;
}

std::optional<InstallResult> FileInstaller::endCopy() {
    const std::unique_ptr<CopyUnderWay> ended = std::move(current);
    Copy &copy = ended->copy;
    InstallOutcome outcome = InstallOutcome::Done;
    if (!ended->entry->finished()) {
        outcome = InstallOutcome::Unreadable;
    } else if (!copy.action.md5.empty() &&
               !sameDigest(ended->digest.hexDigest(), copy.action.md5)) {
        Cobalt::Log::instance().message("%s differs from the manifest: MD5 %s, expected %s",
                                        copy.action.name.c_str(), ended->digest.hexDigest().c_str(),
                                        copy.action.md5.c_str());
        outcome = InstallOutcome::Mismatched;
    } else if (!copy.file->writeBehind()) {
        outcome = InstallOutcome::WriteFailed;
    }
    if (outcome != InstallOutcome::Done) {
        removeCopy(copy);
        return resultOf(copy.action, outcome);
    }
    batchBytes += copy.file->size();
    written.push_back(std::move(copy));
    return std::nullopt;
}

bool FileInstaller::commitDue() const {
    if (!landed.empty() || !flushed.empty())
        return true;
    return !written.empty() && (written.size() >= BatchFiles || batchBytes >= BatchBytes ||
                                written.back().action.kind == FileActionKind::Execute);
}

std::optional<InstallResult> FileInstaller::commitStep() {
    if (!written.empty())
        return landNext();
    if (!landed.empty())
        return flushNext();
    if (!flushed.empty())
        return moveNext();
    return std::nullopt;
}

// Waiting for each copy's bytes in turn keeps every wait as short as one file's writing.
std::optional<InstallResult> FileInstaller::landNext() {
    Copy copy = std::move(written.front());
    written.pop_front();
    if (written.empty())
        batchBytes = 0;
    if (!copy.file->writeBehind()) {
        removeCopy(copy);
        return resultOf(copy.action, InstallOutcome::WriteFailed);
    }
    landed.push_back(std::move(copy));
    return std::nullopt;
}

// Closing right after the flush means a copy is closed only once it is on the device.
std::optional<InstallResult> FileInstaller::flushNext() {
    Copy copy = std::move(landed.front());
    landed.pop_front();
    if (!(copy.file->flushToDevice() && copy.file->close())) {
        removeCopy(copy);
        return resultOf(copy.action, InstallOutcome::WriteFailed);
    }
    copy.file.reset();
    flushed.push_back(std::move(copy));
    return std::nullopt;
}

std::optional<InstallResult> FileInstaller::moveNext() {
    Copy &copy = flushed.front();
    files.createDirectory(copy.action.name.c_str());
    if (!files.replace(copy.pending, copy.action.name))
        return resultOf(copy.action, InstallOutcome::NotReplaced);
    touched(copy.action.name);
    const FileAction action = std::move(copy.action);
    flushed.pop_front();
    if (action.kind == FileActionKind::Execute) {
        const std::string program = files.resolve(action.name);
        if (Cobalt::Platform::makeRunnable(program))
            starter(program, action.args);
    }
    return resultOf(action, InstallOutcome::Done);
}

void FileInstaller::removeCopy(Copy &copy) {
    copy.file.reset();
    files.remove(copy.pending);
}

void FileInstaller::discardWaiting() {
    if (current)
        removeCopy(current->copy);
    current.reset();
    for (auto *queue : {&written, &landed, &flushed}) {
        for (Copy &copy : *queue)
            removeCopy(copy);
        queue->clear();
    }
    batchBytes = 0;
}

void FileInstaller::touched(const std::string &name) {
    std::string folder = files.resolve(name);
    const std::size_t separator = folder.find_last_of("/\\");
    folder = separator == std::string::npos ? "." : folder.substr(0, separator + 1);
    foldersToFlush.insert(folder);
}

bool FileInstaller::flushNextFolder() {
    if (foldersToFlush.empty())
        return false;
    const auto first = foldersToFlush.begin();
    if (!Cobalt::Platform::flushFolder(*first))
        Cobalt::Log::instance().message("Could not flush the folder %s", first->c_str());
    foldersToFlush.erase(first);
    return true;
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
    if (!files.getRootFileSystem()->exists(name))
        return InstallOutcome::Done;
    if (!files.remove(name))
        return InstallOutcome::NotReplaced;
    touched(name);
    return InstallOutcome::Done;
}

} // namespace Kestrel
