// Native file queries for Linux: POSIX calls, with a no-replace rename that also crosses file
// systems, and Windows separators understood.
#include "platform/NativeFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

#include <dirent.h>

#if defined(__linux__) && !defined(RENAME_NOREPLACE)
#include <linux/fs.h>
#endif

namespace Cobalt::Platform {

namespace {
struct DirectoryCloser {
    void operator()(DIR *directory) const { closedir(directory); }
};

class Descriptor {
public:
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    // Closes now and reports whether the system took every write (close can fail late).
    bool close() { return ::close(std::exchange(fd, -1)) == 0; }

    int fd;
};

// Manifests and configurations written for Windows separate folders with backslashes.
std::string native(const std::string &path) {
    std::string converted = path;
    std::replace(converted.begin(), converted.end(), '\\', '/');
    return converted;
}

bool isFolderEntry(const std::string &folder, const dirent &entry) {
    if (entry.d_type != DT_UNKNOWN)
        return entry.d_type == DT_DIR;
    struct stat status;
    return stat((folder + entry.d_name).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool writeAll(int fd, const char *data, std::size_t count) {
    while (count > 0) {
        const ssize_t written = ::write(fd, data, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

bool copyContents(int from, int to) {
    char block[64 * 1024];
    for (;;) {
        const ssize_t count = ::read(from, block, sizeof block);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return count == 0;
        if (!writeAll(to, block, static_cast<std::size_t>(count)))
            return false;
    }
}

// What rename cannot do across file systems: copy into a destination that must not exist yet
// and flush it to the disk; then remove the source when asked. Any failure removes the copy and
// keeps the source.
bool copyThenRemove(const std::string &from, const std::string &to, bool removeSource = true) {
    const Descriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status;
    if (source.fd < 0 || fstat(source.fd, &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    Descriptor target(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                             status.st_mode & 07777));
    if (target.fd < 0)
        return false;
    if (copyContents(source.fd, target.fd) && fsync(target.fd) == 0 && target.close() &&
        (!removeSource || unlink(from.c_str()) == 0))
        return true;
    unlink(to.c_str());
    return false;
}

// Across file systems a rename cannot replace in one step: the file is copied beside its target
// under a fresh name, flushed, renamed over the target, and only then removed at its source.
bool copyThenReplace(const std::string &from, const std::string &to) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string copy =
            to + ".brightwell-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        if (!copyThenRemove(from, copy, false)) {
            struct stat taken;
            // A name that something else holds is skipped, never written.
            if (lstat(copy.c_str(), &taken) == 0)
                continue;
            return false;
        }
        if (std::rename(copy.c_str(), to.c_str()) != 0) {
            unlink(copy.c_str());
            return false;
        }
        // The target is the new file now; a source that stays is only a leftover.
        unlink(from.c_str());
        return true;
    }
    return false;
}

// Without an atomic no-replace rename, a hard link refuses an existing destination as well.
bool linkThenUnlink(const std::string &from, const std::string &to) {
    if (link(from.c_str(), to.c_str()) != 0)
        return errno == EXDEV && copyThenRemove(from, to);
    if (unlink(from.c_str()) == 0)
        return true;
    unlink(to.c_str());
    return false;
}
} // namespace

char preferredSeparator() { return '/'; }

bool canOpenForReading(const std::string &path) {
    // Non-blocking so that a named pipe cannot hang the query.
    const Descriptor file(::open(native(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat status;
    return file.fd >= 0 && fstat(file.fd, &status) == 0 && !S_ISDIR(status.st_mode);
}

bool isDirectory(const std::string &path) {
    struct stat status;
    return stat(native(path).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool makeDirectory(const std::string &path) { return mkdir(native(path).c_str(), 0777) == 0; }

bool moveNoReplace(const std::string &fromPath, const std::string &toPath) {
    const std::string from = native(fromPath), to = native(toPath);
#if defined(SYS_renameat2) && defined(RENAME_NOREPLACE)
    if (syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EXDEV)
        return copyThenRemove(from, to);
    if (errno != ENOSYS && errno != EINVAL)
        return false;
#endif
    return linkThenUnlink(from, to);
}

// The folder is not flushed here: callers that replace many files flush each folder once
// (flushFolder) after all of its renames, instead of once per file.
bool replaceFile(const std::string &from, const std::string &to) {
    const std::string source = native(from), target = native(to);
    // lstat: a link's target keeps its own permissions and is never looked at.
    struct stat replaced;
    if (lstat(target.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode) &&
        chmod(source.c_str(), replaced.st_mode & 07777) != 0)
        return false;
    if (std::rename(source.c_str(), target.c_str()) == 0)
        return true;
    return errno == EXDEV && copyThenReplace(source, target);
}

bool flushFolder(const std::string &path) {
    const Descriptor folder(::open(native(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder.fd >= 0 && fsync(folder.fd) == 0;
}

bool isLink(const std::string &path) {
    struct stat status;
    return lstat(native(path).c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

bool makeRunnable(const std::string &path) {
    const std::string file = native(path);
    struct stat status;
    if (stat(file.c_str(), &status) != 0)
        return false;
    // Each read bit (owner 0400, group 040, others 04) brings the execute bit two places lower.
    const mode_t readable = status.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
    return chmod(file.c_str(), (status.st_mode & 07777) | (readable >> 2)) == 0;
}

bool removeFile(const std::string &path) { return std::remove(native(path).c_str()) == 0; }

std::optional<std::uint64_t> shortenFile(const std::string &path, std::uint64_t count) {
    const Descriptor file(::open(native(path).c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status;
    if (file.fd < 0 || fstat(file.fd, &status) != 0)
        return std::nullopt;
    const std::uint64_t size = static_cast<std::uint64_t>(status.st_size);
    const std::uint64_t left = size - std::min(size, count);
    if (ftruncate(file.fd, static_cast<off_t>(left)) != 0)
        return std::nullopt;
    return left;
}

void listFolder(const std::string &folder,
                const std::function<void(const std::string &name, bool isFolder)> &visit) {
    const std::string path = native(folder);
    const std::unique_ptr<DIR, DirectoryCloser> directory(
        opendir(path.empty() ? "." : path.c_str()));
    if (!directory)
        return;
    while (const dirent *entry = readdir(directory.get()))
        visit(entry->d_name, isFolderEntry(path, *entry));
}

std::unique_ptr<std::iostream> openFileStream(const std::string &path,
                                              std::ios_base::openmode mode) {
    auto stream = std::make_unique<std::fstream>(native(path), mode);
    if (!stream->is_open())
        return nullptr;
    return stream;
}

} // namespace Cobalt::Platform
