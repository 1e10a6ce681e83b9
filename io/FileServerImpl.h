// The file server: alias table, mounted file systems (the disk always among them), file operations.
#pragma once

#include "io/FileServer.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Cobalt::IO {

class FileServerImpl : public FileServer {
public:
    // Mounts the disk as "root" (which makes the executable's folder the current directory) and
    // defines "home", "_temp", "_user" and "_data" for the folders the system can name.
    FileServerImpl();
    // Destroys every mounted file system, the disk included, in the mounted set's order.
    ~FileServerImpl() override;
    FileServerImpl(const FileServerImpl &) = delete;
    FileServerImpl &operator=(const FileServerImpl &) = delete;

    using FileServer::exists;

    std::unique_ptr<Stream> open(const std::string &path, int mode) override;
    bool exists(const char *path) override;
    bool createDirectory(const char *path) override;
    bool remove(const std::string &path) override;
    bool move(const std::string &from, const std::string &to) override;
    bool replace(const std::string &from, const std::string &to) override;
    std::unique_ptr<StagedFile> createFile(const std::string &path) override;
    bool writeFile(const std::string &path, const std::vector<char> &bytes) override;
    // Also false when the file opens but its bytes cannot be read; out is left as it was then.
    bool readFile(const std::string &path, std::vector<char> &out) override;
    ZIPPackage &mountPackage(const std::string &name, const std::vector<char> &data) override;
    ZIPPackage &mountPackage(const std::string &path) override;
    // The disk is never found here, whatever its name, so that it is never unmounted.
    FileSystem *findFileSystem(const std::string &name) override;
    // The disk is never unmounted here, whatever its name.
    void unmount(const std::string &name) override;
    void setAlias(const char *id, const char *target) override;
    void removeAlias(const char *id) override;
    // Stops after MaxAliasSubstitutions substitutions and returns the text as it stands then.
    std::string resolve(const std::string &path) override;
    void addFileSystem(std::unique_ptr<FileSystem> fs) override;
    void removeFileSystem(const std::string &name) override;
    void addSearchPath(const std::string &folder) override;
    void removeSearchPath(const std::string &folder) override;
    Win32FileSystem *getRootFileSystem() override;

    // The names of the mounted file systems in the set's order.
    std::vector<std::string> getMountedNames() const;

    // The launcher's chains are a few links long; a cycle of aliases must not hang resolution.
    static constexpr int MaxAliasSubstitutions = 64;

private:
    using MountedSet = std::map<FileSystem *, std::unique_ptr<FileSystem>>;

    MountedSet::iterator findMounted(const std::string &name);
    // Reads the package's directory and mounts it.
    ZIPPackage &mount(std::unique_ptr<ZIPPackage> package);
    void defineFolderAlias(const char *id, const std::string &folder);

    Win32FileSystem *rootFileSystem;
    // Ordered by object identity, as the file systems are searched.
    MountedSet mounted;
    std::map<std::string, std::string> aliases;
};

} // namespace Cobalt::IO
