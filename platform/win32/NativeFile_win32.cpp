// Native file queries for Windows: ANSI Win32 calls and C runtime streams shared with everyone.
#include "platform/NativeFile.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <ext/stdio_filebuf.h>
#include <share.h>
#include <utility>

namespace Cobalt::Platform {

namespace {
struct FindCloser {
    void operator()(HANDLE search) const { FindClose(search); }
};

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};

// A standard stream over a C runtime file that it owns; the buffer is declared after the file so
// that it flushes before the file closes.
class SharedFileStream : public std::iostream {
public:
    SharedFileStream(std::unique_ptr<std::FILE, FileCloser> handle, std::ios_base::openmode mode)
        : std::iostream(nullptr), file(std::move(handle)), buffer(file.get(), mode) {
        rdbuf(&buffer);
        if (!buffer.is_open())
            setstate(std::ios_base::failbit);
    }

private:
    std::unique_ptr<std::FILE, FileCloser> file;
    __gnu_cxx::stdio_filebuf<char> buffer;
};

// The C runtime mode for std::ios bits, as std::filebuf::open maps them; null for a combination
// that filebuf refuses. ate is applied after opening.
const char *runtimeMode(std::ios_base::openmode mode) {
    using std::ios_base;
    struct Mapping {
        ios_base::openmode standard;
        const char *text;
        const char *binaryText;
    };
    static const Mapping mappings[] = {
        {ios_base::out, "w", "wb"},
        {ios_base::out | ios_base::trunc, "w", "wb"},
        {ios_base::app, "a", "ab"},
        {ios_base::out | ios_base::app, "a", "ab"},
        {ios_base::in, "r", "rb"},
        {ios_base::in | ios_base::out, "r+", "r+b"},
        {ios_base::in | ios_base::out | ios_base::trunc, "w+", "w+b"},
        {ios_base::in | ios_base::app, "a+", "a+b"},
        {ios_base::in | ios_base::out | ios_base::app, "a+", "a+b"},
    };
    const ios_base::openmode kind = mode & ~(ios_base::binary | ios_base::ate);
    for (const Mapping &mapping : mappings)
        if (mapping.standard == kind)
            return (mode & ios_base::binary) ? mapping.binaryText : mapping.text;
    return nullptr;
}
bool flushToDevice(const std::string &path) {
    const HANDLE opened = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    const std::unique_ptr<void, HandleCloser> file(opened);
    return FlushFileBuffers(file.get()) != 0;
}

// Across volumes a move cannot replace in one step (MOVEFILE_COPY_ALLOWED overwrites the target
// in place): the file is copied beside its target under a fresh name, flushed, moved over the
// target, and only then removed at its source.
bool copyThenReplace(const std::string &from, const std::string &to) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string copy = to + ".brightwell-" + std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(attempt);
        // A name that something else holds is skipped, never written.
        if (!CopyFileA(from.c_str(), copy.c_str(), TRUE)) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
                continue;
            return false;
        }
        if (!flushToDevice(copy) ||
            !MoveFileExA(copy.c_str(), to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            DeleteFileA(copy.c_str());
            return false;
        }
        // The target is the new file now; a source that stays is only a leftover.
        DeleteFileA(from.c_str());
        return true;
    }
    return false;
}
} // namespace

char preferredSeparator() { return '\\'; }

bool canOpenForReading(const std::string &path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

bool isDirectory(const std::string &path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool makeDirectory(const std::string &path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool moveNoReplace(const std::string &from, const std::string &to) {
    return MoveFileA(from.c_str(), to.c_str()) != 0;
}

bool replaceFile(const std::string &from, const std::string &to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    return GetLastError() == ERROR_NOT_SAME_DEVICE && copyThenReplace(from, to);
}

bool flushFolder(const std::string &) { return true; }

bool isLink(const std::string &path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool makeRunnable(const std::string &) { return true; }

bool removeFile(const std::string &path) { return DeleteFileA(path.c_str()) != 0; }

std::optional<std::uint64_t> shortenFile(const std::string &path, std::uint64_t count) {
    const HANDLE opened = CreateFileA(
        path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const std::unique_ptr<void, HandleCloser> file(opened);
    BY_HANDLE_FILE_INFORMATION information;
    // Opened as itself, a link is seen and refused instead of its target being cut.
    if (!GetFileInformationByHandle(opened, &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return std::nullopt;
    const std::uint64_t bytes =
        (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
    LARGE_INTEGER left;
    left.QuadPart = static_cast<LONGLONG>(bytes - std::min(bytes, count));
    if (!SetFilePointerEx(opened, left, nullptr, FILE_BEGIN) || !SetEndOfFile(opened))
        return std::nullopt;
    return static_cast<std::uint64_t>(left.QuadPart);
}

void listFolder(const std::string &folder,
                const std::function<void(const std::string &name, bool isFolder)> &visit) {
    WIN32_FIND_DATAA entry;
    const HANDLE first = FindFirstFileA((folder + "*").c_str(), &entry);
    if (first == INVALID_HANDLE_VALUE)
        return;
    const std::unique_ptr<void, FindCloser> search(first);
    do
        visit(entry.cFileName, (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    while (FindNextFileA(search.get(), &entry));
}

std::unique_ptr<std::iostream> openFileStream(const std::string &path,
                                              std::ios_base::openmode mode) {
    const char *runtime = runtimeMode(mode);
    if (!runtime)
        return nullptr;
    std::unique_ptr<std::FILE, FileCloser> file(_fsopen(path.c_str(), runtime, _SH_DENYNO));
    if (!file)
        return nullptr;
    if ((mode & std::ios_base::ate) && std::fseek(file.get(), 0, SEEK_END) != 0)
        return nullptr;
    return std::make_unique<SharedFileStream>(std::move(file), mode);
}

} // namespace Cobalt::Platform
