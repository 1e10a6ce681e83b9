// Native file queries for Linux: POSIX calls, with a no-replace rename.
#include "platform/NativeFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <dirent.h>

#if defined(__linux__) && !defined(RENAME_NOREPLACE)
#include <linux/fs.h>
#endif

namespace Cobalt::Platform {

namespace {
struct DirectoryCloser {
    void operator()(DIR *directory) const { closedir(directory); }
};

struct Descriptor {
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    const int fd;
};

// The folder part of path, for flushing a rename; "." when path names no folder.
std::string folderOf(const std::string &path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, const char *data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool isFolderEntry(const std::string &folder, const dirent &entry) {
    if (entry.d_type != DT_UNKNOWN)
        return entry.d_type == DT_DIR;
    struct stat status;
    return stat((folder + entry.d_name).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}
} // namespace

char preferredSeparator() { return '/'; }

bool canOpenForReading(const std::string &path) {
    // Non-blocking so that a named pipe cannot hang the query.
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat status;
    return file.fd >= 0 && fstat(file.fd, &status) == 0 && !S_ISDIR(status.st_mode);
}

bool isDirectory(const std::string &path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool makeDirectory(const std::string &path) { return mkdir(path.c_str(), 0777) == 0; }

bool moveNoReplace(const std::string &from, const std::string &to) {
#if defined(SYS_renameat2) && defined(RENAME_NOREPLACE)
    if (syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != ENOSYS && errno != EINVAL)
        return false;
#endif
    // Without an atomic no-replace rename, a hard link refuses an existing destination as well.
    if (link(from.c_str(), to.c_str()) != 0)
        return false;
    if (unlink(from.c_str()) == 0)
        return true;
    unlink(to.c_str());
    return false;
}

bool writeFileDurably(const std::string &path, const char *data, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, data, size) && fsync(fd) == 0;
    // close reports late write errors of some file systems (NFS), so its result counts too.
    return ::close(fd) == 0 && written;
}

bool replaceFile(const std::string &from, const std::string &to) {
    if (std::rename(from.c_str(), to.c_str()) != 0)
        return false;
    // The new name lives in the folder's own data; without this a power cut may undo the rename.
    const Descriptor folder(::open(folderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd >= 0)
        fsync(folder.fd);
    return true;
}

void listFolder(const std::string &folder,
                const std::function<void(const std::string &name, bool isFolder)> &visit) {
    const std::unique_ptr<DIR, DirectoryCloser> directory(
        opendir(folder.empty() ? "." : folder.c_str()));
    if (!directory)
        return;
    while (const dirent *entry = readdir(directory.get()))
        visit(entry->d_name, isFolderEntry(folder, *entry));
}

std::unique_ptr<std::iostream> openFileStream(const std::string &path,
                                              std::ios_base::openmode mode) {
    auto stream = std::make_unique<std::fstream>(path, mode);
    if (!stream->is_open())
        return nullptr;
    return stream;
}

} // namespace Cobalt::Platform
