// Native file and folder queries under the disk file system. Paths are narrow ANSI texts in which
// slash and backslash both separate folders, as on Windows (the POSIX twin turns backslashes into
// slashes). Nothing here throws; failures are reported as false or none.
#pragma once

#include <cstdint>
#include <functional>
#include <ios>
#include <memory>
#include <optional>
#include <string>

namespace Cobalt::Platform {

// The separator a folder gains when one is appended: a backslash on Windows, a slash elsewhere.
char preferredSeparator();

// Whether path opens for reading as an existing file, shared with every other opener. Folders
// never open.
bool canOpenForReading(const std::string &path);

// Whether path names an existing folder.
bool isDirectory(const std::string &path);

// Creates one folder; false when it exists already or its parent is missing.
bool makeDirectory(const std::string &path);

// Renames a file; never replaces an existing destination (false then, both files untouched).
// Across file systems the file is copied into a new destination, which is flushed before the
// source is removed; on any failure the partial copy is removed and the source stays.
bool moveNoReplace(const std::string &from, const std::string &to);

// Renames from over to in one step, so that to is always either its old file or the new one (on
// Windows the rename is also written through to the device; on POSIX flushFolder does that). A link
// at to is replaced itself, never written through. When the two lie on different volumes, from is
// copied beside to under a name nothing holds, flushed to the device, renamed over to and only then
// removed. False when from is missing or to cannot be replaced (a folder, a file in use, no
// permission); both stay as they were then. On POSIX the new file first takes the permission bits
// of the file it replaces, so that a replaced program stays runnable and a private file stays
// private.
bool replaceFile(const std::string &from, const std::string &to);

// Hands the folder's own entries (the names renamed into or removed from it) to the device, so
// that those changes survive a power cut. Always true on Windows, whose moves are written through
// one by one (replaceFile). False when the folder cannot be opened or flushed.
bool flushFolder(const std::string &path);

// Whether path itself is a symbolic link (on Windows any reparse point, junctions included).
bool isLink(const std::string &path);

// Lets the file at path be started as a program. On POSIX whoever may read it may now execute
// it; on Windows the name decides, so nothing changes. False when the permission cannot be set.
bool makeRunnable(const std::string &path);

// Deletes a file; false when it is missing or cannot be removed. A link is removed itself, never
// its target.
bool removeFile(const std::string &path);

// Cuts up to count bytes off the end of the file at path (never a link: none then) and returns
// the bytes it still holds; none when it cannot be opened or cut. A large file freed a piece at a
// time never holds the caller as long as removing it whole would.
std::optional<std::uint64_t> shortenFile(const std::string &path, std::uint64_t count);

// Calls visit(name, isFolder) for every entry of folder (which ends in a separator), "." and ".."
// included, in the order the system gives them. Does nothing when folder cannot be listed.
void listFolder(const std::string &folder,
                const std::function<void(const std::string &name, bool isFolder)> &visit);

// Opens a standard file stream on path with std::ios open mode bits, sharing the file with every
// other opener. Returns none when the file does not open.
std::unique_ptr<std::iostream> openFileStream(const std::string &path,
                                              std::ios_base::openmode mode);

} // namespace Cobalt::Platform
