// The disk as a file system: resolved paths looked up under an ordered set of search roots.
#pragma once

#include "io/FileSystem.h"

#include <set>
#include <string>
#include <vector>

namespace Cobalt::IO {

class Win32FileSystem : public FileSystem {
public:
    // Named "root"; searches the empty prefix and the executable's folder, and makes that folder
    // the process's current directory.
    Win32FileSystem();

    // Whether findFile finds path; folders never exist.
    bool exists(const std::string &path) override;
    // Reads (mode has in) open the first root's file that findFile finds; writes open path
    // itself, never under another root. None when the file does not open.
    std::unique_ptr<Stream> open(const std::string &path, int mode) override;
    // Folder must end in a separator. Nothing is appended when it cannot be listed.
    void listFiles(const std::string &folder, std::vector<std::string> &names) override;
    // As listFiles, for folders; "." and ".." are left out.
    void listDirectories(const std::string &folder, std::vector<std::string> &names) override;

    // The first root + path (no separator inserted) that opens for reading goes to native.
    // False leaves native unchanged.
    bool findFile(const std::string &path, std::string &native) const;
    // Creates the folders of path up to its last separator, parents first. False when nothing
    // was created, including when the folder exists already or path has no separator.
    bool createDirectory(const std::string &path);
    // Renames the file that findFile finds for from to to; false when it is missing or to
    // exists (nothing is replaced).
    bool move(const std::string &from, const std::string &to);
    // Renames the file that findFile finds for from over to in one step, replacing a file there;
    // false when from is missing or to cannot be replaced (both stay as they were then).
    bool replace(const std::string &from, const std::string &to);
    // Whether a folder on the way to path (relative to the current directory; path itself
    // excluded) is a link, which would lead writes and removals out of the installation.
    bool crossesLink(const std::string &path) const;
    // Makes folder a real folder: a link or file standing in its place is removed first. False
    // when it is no real folder afterwards.
    bool makeRealFolder(const std::string &folder);
    // A folder with or without its trailing separator names the same root.
    void addSearchPath(const std::string &folder);
    void removeSearchPath(const std::string &folder);

    // The executable's folder, without a trailing separator.
    const std::string &getHomeFolder() const { return homeFolder; }

private:
    // Byte-wise ascending, so the empty root is always tried first.
    std::set<std::string> searchRoots;
    std::string homeFolder;
};

} // namespace Cobalt::IO
