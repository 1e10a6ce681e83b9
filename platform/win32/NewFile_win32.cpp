// New files for Windows: CREATE_NEW, which fails on any existing name (a link included), and
// plain handle writes.
#include "platform/NewFile.h"

#include <windows.h>

namespace Cobalt::Platform {

namespace {
HANDLE fileHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

const std::intptr_t Closed = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);

bool seekTo(HANDLE file, std::uint64_t position) {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(file, distance, nullptr, FILE_BEGIN) != 0;
}

std::unique_ptr<NewFile> createSharing(const std::string &path, DWORD sharing) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, sharing, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<NewFile>(reinterpret_cast<std::intptr_t>(file));
}
} // namespace

std::unique_ptr<NewFile> NewFile::create(const std::string &path) {
    return createSharing(path, FILE_SHARE_READ);
}

std::unique_ptr<NewFile> NewFile::createPrivate(const std::string &path) {
    return createSharing(path, 0);
}

std::unique_ptr<NewFile> NewFile::continueAt(const std::string &path, std::uint64_t &size) {
    // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself, which the attribute check then refuses.
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    auto file = std::make_unique<NewFile>(reinterpret_cast<std::intptr_t>(handle));
    BY_HANDLE_FILE_INFORMATION information;
    LARGE_INTEGER end;
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    if (!GetFileInformationByHandle(handle, &information) ||
        (information.dwFileAttributes &
         (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        !SetFilePointerEx(handle, zero, &end, FILE_END))
        return nullptr;
    size = static_cast<std::uint64_t>(end.QuadPart);
    return file;
}

NewFile::NewFile(std::intptr_t handle) : handle(handle) {}

NewFile::~NewFile() { close(); }

bool NewFile::write(const char *data, std::size_t size) {
    if (handle == Closed)
        return false;
    while (size > 0) {
        // WriteFile takes 32-bit counts; a chunk also keeps one call's buffer bounded.
        const DWORD chunk = size > 0x100000 ? 0x100000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(fileHandle(handle), data, chunk, &written, nullptr) || written == 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

bool NewFile::truncate(std::uint64_t size) {
    return handle != Closed && seekTo(fileHandle(handle), size) &&
           SetEndOfFile(fileHandle(handle)) != 0;
}

// Windows has no call that hands bytes on to the device without waiting for them:
// FlushFileBuffers does it all later.
bool NewFile::writeBehind() { return handle != Closed; }

bool NewFile::writesBehind() { return false; }

bool NewFile::flushToDevice() { return handle != Closed && FlushFileBuffers(fileHandle(handle)); }

bool NewFile::close() {
    if (handle == Closed)
        return false;
    const HANDLE file = fileHandle(handle);
    handle = Closed;
    return CloseHandle(file) != 0;
}

} // namespace Cobalt::Platform
