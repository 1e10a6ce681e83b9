// The operating-system helpers on Windows: kernel, shell and folder queries with fixed buffers.
#include "platform/SystemHelpers.h"

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <vector>

namespace Cobalt {

namespace {

constexpr DWORD ModulePathRoom = 128;
constexpr DWORD FolderPathRoom = 260;
constexpr DWORD LongestPathRoom = 32768;
constexpr int PersonalFolderCreated = 0x8005;
constexpr int CommonAppDataFolderCreated = 0x8023;

std::string shellFolder(int folderId) {
    char buffer[FolderPathRoom] = {};
    if (FAILED(SHGetFolderPathA(nullptr, folderId, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return {};
    return buffer;
}

} // namespace

bool setCurrentDirectory(const std::string &folder) {
    return SetCurrentDirectoryA(folder.c_str()) != 0;
}

std::string executablePath() {
    char buffer[ModulePathRoom] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, ModulePathRoom);
    if (length < ModulePathRoom)
        return std::string(buffer, length);
    // A cut path fills the whole room and would name a wrong home folder: ask again with room
    // for the longest path the system allows.
    std::vector<char> longBuffer(LongestPathRoom);
    const DWORD longLength = GetModuleFileNameA(nullptr, longBuffer.data(), LongestPathRoom);
    return longLength < LongestPathRoom ? std::string(longBuffer.data(), longLength)
                                        : std::string();
}

std::string tempFolder() {
    char buffer[FolderPathRoom] = {};
    const DWORD length = GetTempPathA(FolderPathRoom, buffer);
    // A longer path reports the room it needs and leaves the buffer undefined.
    if (length == 0 || length >= FolderPathRoom)
        return {};
    return std::string(buffer, length);
}

std::string documentsFolder() { return shellFolder(PersonalFolderCreated); }

std::string commonAppDataFolder() { return shellFolder(CommonAppDataFolderCreated); }

bool openWithShell(const char *target) {
    ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOWNORMAL);
    return true;
}

bool runWithShell(const char *program, const char *parameters) {
    ShellExecuteA(nullptr, "open", program, parameters, nullptr, SW_SHOWNORMAL);
    return true;
}

bool isUserAdmin() { return IsUserAnAdmin() == TRUE; }

} // namespace Cobalt
