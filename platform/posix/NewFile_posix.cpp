// New files for POSIX: exclusive creation that refuses a final symbolic link, plain descriptor
// writes.
#include "platform/NewFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Cobalt::Platform {

namespace {
constexpr std::intptr_t Closed = -1;

std::string native(const std::string &path) {
    std::string converted = path;
    for (char &c : converted)
        if (c == '\\')
            c = '/';
    return converted;
}

std::unique_ptr<NewFile> createWithMode(const std::string &path, mode_t mode) {
    // O_EXCL already fails on a link; O_NOFOLLOW says so to every reader of this line.
    const int fd =
        ::open(native(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0)
        return nullptr;
    return std::make_unique<NewFile>(fd);
}
} // namespace

std::unique_ptr<NewFile> NewFile::create(const std::string &path) {
    return createWithMode(path, 0666);
}

std::unique_ptr<NewFile> NewFile::createPrivate(const std::string &path) {
    return createWithMode(path, 0600);
}

std::unique_ptr<NewFile> NewFile::continueAt(const std::string &path, std::uint64_t &size) {
    const int fd = ::open(native(path).c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    auto file = std::make_unique<NewFile>(fd);
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return nullptr;
    const off_t end = lseek(fd, 0, SEEK_END);
    if (end < 0)
        return nullptr;
    size = static_cast<std::uint64_t>(end);
    return file;
}

NewFile::NewFile(std::intptr_t handle) : handle(handle) {}

NewFile::~NewFile() { close(); }

bool NewFile::write(const char *data, std::size_t size) {
    if (handle == Closed)
        return false;
    while (size > 0) {
        const ssize_t written = ::write(static_cast<int>(handle), data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool NewFile::truncate(std::uint64_t size) {
    const int fd = static_cast<int>(handle);
    handedOn = std::min(handedOn, size);
    return handle != Closed && ftruncate(fd, static_cast<off_t>(size)) == 0 &&
           lseek(fd, static_cast<off_t>(size), SEEK_SET) >= 0;
}

bool NewFile::writeBehind() {
    if (handle == Closed)
        return false;
#ifdef __linux__
    // Handing many files on before waiting for any lets the first flush commit the file system's
    // journal for all of them, and the waits stay as short as the writes between two calls.
    const int fd = static_cast<int>(handle);
    const off_t end = lseek(fd, 0, SEEK_CUR);
    const auto handed = static_cast<off_t>(handedOn);
    if (end < 0 ||
        (handed > 0 && sync_file_range(fd, 0, handed, SYNC_FILE_RANGE_WAIT_BEFORE) != 0) ||
        (end > handed && sync_file_range(fd, handed, end - handed, SYNC_FILE_RANGE_WRITE) != 0))
        return false;
    handedOn = static_cast<std::uint64_t>(end);
#endif
    return true;
}

bool NewFile::writesBehind() {
#ifdef __linux__
    return true;
#else
    return false;
#endif
}

bool NewFile::flushToDevice() { return handle != Closed && fsync(static_cast<int>(handle)) == 0; }

bool NewFile::close() {
    if (handle == Closed)
        return false;
    const int fd = static_cast<int>(handle);
    handle = Closed;
    return ::close(fd) == 0;
}

} // namespace Cobalt::Platform
