// What the Windows drivers of Brightwell.exe share: the build's folders, files, the launcher's
// main window of a process, and the launcher process itself.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace Testing {

constexpr wchar_t MainWindowClass[] = L"BrightwellLauncher";
constexpr DWORD WaitMilliseconds = 30000;

inline std::filesystem::path driverFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
}

// The build folder, which holds Brightwell.exe: one folder above the test programs.
inline std::filesystem::path builtLauncherFolder() { return driverFolder().parent_path(); }

inline std::string readFile(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct FoundWindow {
    DWORD process;
    HWND window;
};

inline BOOL CALLBACK matchLauncherWindow(HWND window, LPARAM data) {
    auto *found = reinterpret_cast<FoundWindow *>(data);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (std::wstring(className) == MainWindowClass && IsWindowVisible(window) &&
        (found->process == 0 || process == found->process)) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

// The visible main window of process (0: of any process); null after the time limit.
inline HWND waitForMainWindow(DWORD process) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(WaitMilliseconds);
    while (std::chrono::steady_clock::now() < deadline) {
        FoundWindow found{process, nullptr};
        EnumWindows(matchLauncherWindow, reinterpret_cast<LPARAM>(&found));
        if (found.window)
            return found.window;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return nullptr;
}

// A launcher process started from folder with arguments (none by default); ended by force if a
// test leaves it running.
class LauncherProcess {
public:
    explicit LauncherProcess(const std::filesystem::path &folder,
                             const std::wstring &arguments = std::wstring()) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring commandLine = L"\"" + (folder / "Brightwell.exe").wstring() + L"\"";
        if (!arguments.empty())
            commandLine += L" " + arguments;
        started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 folder.wstring().c_str(), &startup, &info) != 0;
    }
    ~LauncherProcess() {
        if (!started)
            return;
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(info.hProcess, 99);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    LauncherProcess(const LauncherProcess &) = delete;
    LauncherProcess &operator=(const LauncherProcess &) = delete;

    bool isStarted() const { return started; }
    DWORD id() const { return info.dwProcessId; }
    // The exit code once the process ended within milliseconds; STILL_ACTIVE otherwise.
    DWORD waitForExit(DWORD milliseconds = WaitMilliseconds) const {
        WaitForSingleObject(info.hProcess, milliseconds);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(info.hProcess, &code);
        return code;
    }

private:
    bool started = false;
    PROCESS_INFORMATION info{};
};

} // namespace Testing
