// The operating-system helpers on Windows: kernel, shell and folder queries with fixed buffers.
#include "platform/SystemHelpers.h"

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

namespace Cobalt {

namespace {

constexpr DWORD ModulePathRoom = 128;
constexpr DWORD FolderPathRoom = 260;
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
    // A cut path fills the whole buffer, and older systems then leave out the terminator.
    return std::string(buffer, length < ModulePathRoom ? length : ModulePathRoom - 1);
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
