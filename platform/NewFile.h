// A file that this process creates under a name nobody holds and then writes alone: downloads,
// pending copies and the manifest copy of an update. Its name is never reached through a link.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace Cobalt::Platform {

class NewFile {
public:
    // Creates path as a new, empty file open for writing. Fails when anything already has that
    // name, a symbolic link included, so that nothing is ever written through a planted link.
    // Null when it cannot be created.
    static std::unique_ptr<NewFile> create(const std::string &path);
    // Removes the file or link at path (never a folder; a link itself, not its target), then
    // creates path as create does. Null when it cannot be created.
    static std::unique_ptr<NewFile> createReplacing(const std::string &path);
    // Opens the regular file at path (never through a link, never a folder) to write on after
    // its last byte, whose count goes to size. Null when there is no such file or it does not
    // open; size is then untouched.
    static std::unique_ptr<NewFile> continueAt(const std::string &path, std::uint64_t &size);
    // As create, for a secret: on POSIX only the owner may read or write it (mode 0600) from the
    // moment it exists; on Windows nobody else may open it while it is written, and it takes
    // its folder's permissions.
    static std::unique_ptr<NewFile> createPrivate(const std::string &path);
    // Takes over an open file: a descriptor on POSIX, a file handle on Windows.
    explicit NewFile(std::intptr_t handle);
    // Closes the file when close() has not; a late error is lost then.
    ~NewFile();
    NewFile(const NewFile &) = delete;
    NewFile &operator=(const NewFile &) = delete;

    // Appends size bytes at the end; false when not all of them were written.
    bool write(const char *data, std::size_t size);
    // Cuts the file to size bytes (at most its length); later writes append from there.
    bool truncate(std::uint64_t size);
    // Writes behind: waits until what the previous call handed to the device is there, then
    // hands on what was written since without waiting for it. Called as a file grows, it keeps
    // the data not yet on the device to what was written between two calls; called twice in a
    // row, it waits for all of it, so that a later flushToDevice only has the file's own record
    // left to write. Where the system has no such call it does nothing and flushToDevice does
    // all the work. False when the system refused.
    bool writeBehind();
    // Whether writeBehind does anything on this system.
    static bool writesBehind();
    // Hands what was written to the device before returning.
    bool flushToDevice();
    // Closes the file, reporting the late write errors some file systems keep until then. Every
    // other call fails afterwards.
    bool close();

private:
    std::intptr_t handle;
    std::uint64_t handedOn = 0; // bytes that writeBehind has handed to the device

};

// Writes the size bytes of data to a new file at path (createReplacing) and flushes them to the
// device before closing. False when any of that fails; what was written so far may then remain.
bool writeFileDurably(const std::string &path, const char *data, std::size_t size);

} // namespace Cobalt::Platform
