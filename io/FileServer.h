// The one object through which the launcher reaches files: virtual paths, mounted file systems.
#pragma once

#include "io/FileSystem.h"
#include "io/Stream.h"

#include <memory>
#include <string>
#include <vector>

namespace Cobalt::IO {

class StagedFile;
class Win32FileSystem;
class ZIPPackage;

class FileServer {
public:
    virtual ~FileServer() = default;

    // Opens a virtual path: writes go to the disk, reads to the first mounted file system that
    // serves the path. None when nothing opens; never throws.
    virtual std::unique_ptr<Stream> open(const std::string &path, int mode) = 0;
    // Whether some mounted file system can open the path for reading (folders never exist).
    virtual bool exists(const char *path) = 0;
    virtual bool exists(const std::string &path) { return exists(path.c_str()); }
    // Creates the folders of a path up to its last separator; false when nothing was created.
    virtual bool createDirectory(const char *path) = 0;
    // Deletes a file on disk; false when it is missing or cannot be removed.
    virtual bool remove(const std::string &path) = 0;
    // Renames a file on disk; never replaces an existing destination (false then).
    virtual bool move(const std::string &from, const std::string &to) = 0;
    // Renames a file on disk over to in one step: to is its old file or the new one, never a
    // mix. False when from is missing or to cannot be replaced (in use, a folder, no permission).
    virtual bool replace(const std::string &from, const std::string &to) = 0;
    // Replaces the disk file or link at path (never a folder) by a new file open for writing; a
    // link is removed, never written through. Null when it cannot be created.
    virtual std::unique_ptr<StagedFile> createFile(const std::string &path) = 0;
    // Writes bytes to a new disk file at path (as createFile) and flushes them to the device.
    // False when it cannot be created or written whole; part of the bytes may be on disk then.
    virtual bool writeFile(const std::string &path, const std::vector<char> &bytes) = 0;
    // Reads a whole file into out; false when it does not open. An empty file leaves out as it was.
    virtual bool readFile(const std::string &path, std::vector<char> &out) = 0;
    // Mounts a ZIP package from a copy of data and returns it (valid until it is unmounted);
    // throws Cobalt::Exception when its directory is unreadable (nothing is mounted then).
    virtual ZIPPackage &mountPackage(const std::string &name, const std::vector<char> &data) = 0;
    // Mounts the ZIP package at path, named by path, and returns it; throws Cobalt::Exception
    // when it does not open or its directory is unreadable.
    virtual ZIPPackage &mountPackage(const std::string &path) = 0;
    // The first mounted file system named name (non-owning, valid until it is unmounted); null
    // when there is none.
    virtual FileSystem *findFileSystem(const std::string &name) = 0;
    // Destroys the first mounted file system named name; no match does nothing.
    virtual void unmount(const std::string &name) = 0;
    virtual void setAlias(const char *id, const char *target) = 0;
    virtual void removeAlias(const char *id) = 0;
    // Expands the mount ids of a virtual path through the alias table.
    virtual std::string resolve(const std::string &path) = 0;
    // Mounts fs and owns it from now on; an object that is mounted already keeps its one entry.
    virtual void addFileSystem(std::unique_ptr<FileSystem> fs) = 0;
    // As unmount, but throws Cobalt::Exception for "root".
    virtual void removeFileSystem(const std::string &name) = 0;
    virtual void addSearchPath(const std::string &folder) = 0;
    virtual void removeSearchPath(const std::string &folder) = 0;
    // The disk file system (non-owning).
    virtual Win32FileSystem *getRootFileSystem() = 0;
};

} // namespace Cobalt::IO
