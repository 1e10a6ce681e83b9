// Virtual path resolution and the file operations over the mounted file systems.
#include "io/FileServerImpl.h"

#include "io/Exception.h"
#include "io/OpenMode.h"
#include "io/StagedFile.h"
#include "io/Win32FileSystem.h"
#include "io/ZIPPackage.h"
#include "platform/NativeFile.h"
#include "platform/SystemHelpers.h"

namespace Cobalt::IO {

FileServerImpl::FileServerImpl() {
    auto disk = std::make_unique<Win32FileSystem>();
    rootFileSystem = disk.get();
    addFileSystem(std::move(disk));
    defineFolderAlias("home", rootFileSystem->getHomeFolder());
    defineFolderAlias("_temp", tempFolder());
    defineFolderAlias("_user", documentsFolder());
    defineFolderAlias("_data", commonAppDataFolder());
}

// One by one in the set's order: the map's own destructor promises no order.
FileServerImpl::~FileServerImpl() {
    while (!mounted.empty())
        mounted.erase(mounted.begin());
}

void FileServerImpl::defineFolderAlias(const char *id, const std::string &folder) {
    if (!folder.empty())
        setAlias(id, folder.c_str());
}

std::unique_ptr<Stream> FileServerImpl::open(const std::string &path, int mode) {
    const std::string resolved = resolve(path);
    // Writes never go into packages.
    if (mode & Out)
        return rootFileSystem->open(resolved, mode);
    for (const auto &entry : mounted)
        if (auto stream = entry.second->open(resolved, mode))
            return stream;
    return nullptr;
}

bool FileServerImpl::exists(const char *path) {
    if (!path)
        return false;
    const std::string resolved = resolve(path);
    for (const auto &entry : mounted)
        if (entry.second->exists(resolved))
            return true;
    return false;
}

bool FileServerImpl::createDirectory(const char *path) {
    return path && rootFileSystem->createDirectory(resolve(path));
}

bool FileServerImpl::remove(const std::string &path) {
    std::string native;
    return rootFileSystem->findFile(resolve(path), native) && Platform::removeFile(native);
}

bool FileServerImpl::move(const std::string &from, const std::string &to) {
    return rootFileSystem->move(resolve(from), resolve(to));
}

bool FileServerImpl::replace(const std::string &from, const std::string &to) {
    return rootFileSystem->replace(resolve(from), resolve(to));
}

std::unique_ptr<StagedFile> FileServerImpl::createFile(const std::string &path) {
    return StagedFile::create(resolve(path));
}

bool FileServerImpl::writeFile(const std::string &path, const std::vector<char> &bytes) {
    const auto file = createFile(path);
    return file && file->receive(bytes.data(), bytes.size()) && file->flushToDevice() &&
           file->close();
}

bool FileServerImpl::readFile(const std::string &path, std::vector<char> &out) {
    const auto stream = open(path, In | Binary);
    if (!stream)
        return false;
    const std::uint32_t size = stream->getSize();
    if (size == 0)
        return true;
    std::vector<char> bytes;
    if (!stream->read(bytes, size))
        return false;
    out.swap(bytes);
    return true;
}

ZIPPackage &FileServerImpl::mountPackage(const std::string &name, const std::vector<char> &data) {
    return mount(std::make_unique<ZIPPackage>(name, data));
}

ZIPPackage &FileServerImpl::mountPackage(const std::string &path) {
    auto stream = open(path, In | Binary);
    if (!stream)
        throw Exception("cannot open ZIP package " + path);
    return mount(std::make_unique<ZIPPackage>(path, std::move(stream)));
}

ZIPPackage &FileServerImpl::mount(std::unique_ptr<ZIPPackage> package) {
    package->readDirectory();
    ZIPPackage &mounted = *package;
    addFileSystem(std::move(package));
    return mounted;
}

FileServerImpl::MountedSet::iterator FileServerImpl::findMounted(const std::string &name) {
    for (auto entry = mounted.begin(); entry != mounted.end(); ++entry)
        // Destroying the disk would leave every later write with a dangling root.
        if (entry->first != rootFileSystem && entry->second->getName() == name)
            return entry;
    return mounted.end();
}

FileSystem *FileServerImpl::findFileSystem(const std::string &name) {
    const auto entry = findMounted(name);
    return entry == mounted.end() ? nullptr : entry->first;
}

void FileServerImpl::unmount(const std::string &name) {
    const auto entry = findMounted(name);
    if (entry != mounted.end())
        mounted.erase(entry);
}

// A null text from a C caller is ignored rather than turned into a string.
void FileServerImpl::setAlias(const char *id, const char *target) {
    if (id && target)
        aliases[id] = target;
}

void FileServerImpl::removeAlias(const char *id) {
    if (id)
        aliases.erase(id);
}

std::string FileServerImpl::resolve(const std::string &path) {
    std::string text = path;
    for (int substitution = 0; substitution < MaxAliasSubstitutions; ++substitution) {
        const auto colon = text.find(':');
        // A colon at 1 follows a drive letter; mount ids are at least two characters.
        if (colon == std::string::npos || colon < 2)
            break;
        const auto alias = aliases.find(text.substr(0, colon));
        if (alias == aliases.end())
            break;
        const std::string tail = text.substr(colon + 1);
        text = alias->second;
        if (!text.empty())
            text += "/" + tail;
    }
    return text;
}

void FileServerImpl::addFileSystem(std::unique_ptr<FileSystem> fs) {
    if (!fs)
        return;
    FileSystem *const key = fs.get();
    if (mounted.count(key) != 0) {
        // The mounted entry owns this object already; a second owner must not delete it.
        fs.release();
        return;
    }
    mounted.emplace(key, std::move(fs));
}

void FileServerImpl::removeFileSystem(const std::string &name) {
    if (name == "root")
        throw Exception("cannot remove root file system");
    unmount(name);
}

void FileServerImpl::addSearchPath(const std::string &folder) {
    rootFileSystem->addSearchPath(folder);
}

void FileServerImpl::removeSearchPath(const std::string &folder) {
    rootFileSystem->removeSearchPath(folder);
}

Win32FileSystem *FileServerImpl::getRootFileSystem() { return rootFileSystem; }

std::vector<std::string> FileServerImpl::getMountedNames() const {
    std::vector<std::string> names;
    for (const auto &entry : mounted)
        names.push_back(entry.second->getName());
    return names;
}

} // namespace Cobalt::IO
