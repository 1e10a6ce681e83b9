// The disk file system; every native call goes through the platform seam.
#include "io/Win32FileSystem.h"

#include "io/FileStream.h"
#include "io/OpenMode.h"
#include "platform/NativeFile.h"
#include "platform/SystemHelpers.h"

namespace Cobalt::IO {

namespace {
const char *const FolderSeparators = ":/\\";

std::string normalisedFolder(const std::string &folder) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/')
        return folder;
    return folder + Platform::preferredSeparator();
}

// path up to and including its last separator at or before last; empty when there is none.
std::string upToSeparator(const std::string &path, std::string::size_type last) {
    const auto separator = path.find_last_of(FolderSeparators, last);
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}
} // namespace

Win32FileSystem::Win32FileSystem() : FileSystem("root"), homeFolder(executableFolder()) {
    searchRoots.insert(std::string());
    addSearchPath(homeFolder);
    if (!homeFolder.empty())
        setCurrentDirectory(homeFolder);
}

bool Win32FileSystem::exists(const std::string &path) {
    std::string native;
    return findFile(path, native);
}

std::unique_ptr<Stream> Win32FileSystem::open(const std::string &path, int mode) {
    std::string native = path;
    if ((mode & In) && !findFile(path, native))
        return nullptr;
    auto stream = std::make_unique<FileStream>(native, mode);
    if (!stream->open())
        return nullptr;
    return stream;
}

void Win32FileSystem::listFiles(const std::string &folder, std::vector<std::string> &names) {
    Platform::listFolder(folder, [&names](const std::string &name, bool isFolder) {
        if (!isFolder)
            names.push_back(name);
    });
}

void Win32FileSystem::listDirectories(const std::string &folder, std::vector<std::string> &names) {
    Platform::listFolder(folder, [&names](const std::string &name, bool isFolder) {
        if (isFolder && name != "." && name != "..")
            names.push_back(name);
    });
}

bool Win32FileSystem::findFile(const std::string &path, std::string &native) const {
    for (const std::string &root : searchRoots) {
        std::string candidate = root + path;
        if (Platform::canOpenForReading(candidate)) {
            native = std::move(candidate);
            return true;
        }
    }
    return false;
}

bool Win32FileSystem::createDirectory(const std::string &path) {
    const std::string folder = upToSeparator(path, std::string::npos);
    // For a folder path the parent is the folder that contains it.
    const std::string parent =
        folder.size() < 2 ? std::string() : upToSeparator(folder, folder.size() - 2);
    if (folder.empty())
        return false;
    for (const std::string &root : searchRoots)
        if (Platform::isDirectory(root + parent))
            return Platform::makeDirectory(root + folder);
    if (parent.empty())
        return false;
    // parent is shorter than folder, so the recursion ends.
    return createDirectory(parent) && createDirectory(folder);
}

bool Win32FileSystem::move(const std::string &from, const std::string &to) {
    std::string native;
    return findFile(from, native) && Platform::moveNoReplace(native, to);
}

bool Win32FileSystem::replace(const std::string &from, const std::string &to) {
    std::string native;
    return findFile(from, native) && Platform::replaceFile(native, to);
}

bool Win32FileSystem::crossesLink(const std::string &path) const {
    for (auto separator = path.find_first_of("/\\"); separator != std::string::npos;
         separator = path.find_first_of("/\\", separator + 1))
        if (separator > 0 && Platform::isLink(path.substr(0, separator)))
            return true;
    return false;
}

bool Win32FileSystem::makeRealFolder(const std::string &folder) {
    // A trailing separator would make the system look through a link.
    std::string path = folder;
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\'))
        path.pop_back();
    // isDirectory follows a link, so a link to a folder is caught by isLink first.
    if (Platform::isLink(path) || !Platform::isDirectory(path))
        Platform::removeFile(path);
    Platform::makeDirectory(path);
    return !Platform::isLink(path) && Platform::isDirectory(path);
}

void Win32FileSystem::addSearchPath(const std::string &folder) {
    searchRoots.insert(normalisedFolder(folder));
}

void Win32FileSystem::removeSearchPath(const std::string &folder) {
    searchRoots.erase(normalisedFolder(folder));
}

} // namespace Cobalt::IO
