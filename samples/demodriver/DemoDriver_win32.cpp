// The demo's stand-in for a player: starts Brightwell.exe from an installation folder, logs in
// through the real controls (window messages fill the fields and press the button), and follows
// the launcher's screens until it ends. Each new screen is announced on standard output as
// "SCREEN <n> <name>" while the launcher's thread is held still, and the driver waits for one
// line on standard input (the caller takes its picture meanwhile) before letting it go on. At the
// end it prints "PHASE <name> <seconds>" for every screen, held time left out, and
// "EXIT <code>".
//
// Usage: brightwell-demo-driver <installation folder> <user> <password>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr wchar_t MainWindowClass[] = L"BrightwellLauncher";
constexpr int PollMilliseconds = 5;
// Lets the launcher paint a screen it just switched to before it is held still.
constexpr int PaintMilliseconds = 25;
const char *const PhaseTexts[] = {"Examining . . .", "Downloading . . .", "Extracting . . ."};
const char *const PhaseNames[] = {"GroupUpdate-Examine", "GroupUpdate-Download",
                                  "GroupUpdate-Extract"};

struct Child {
    HWND window;
    std::wstring className;
    std::string text;
    LONG style;
};

std::string textOf(HWND window) {
    char text[512] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 1000, &ignored);
    return text;
}

BOOL CALLBACK collectChild(HWND window, LPARAM data) {
    if (!IsWindowVisible(window))
        return TRUE;
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    auto *children = reinterpret_cast<std::vector<Child> *>(data);
    children->push_back({window, className, textOf(window), GetWindowLongW(window, GWL_STYLE)});
    return TRUE;
}

struct FoundWindow {
    DWORD process;
    HWND window;
};

BOOL CALLBACK matchLauncherWindow(HWND window, LPARAM data) {
    auto *found = reinterpret_cast<FoundWindow *>(data);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (std::wstring(className) == MainWindowClass && process == found->process) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

HWND launcherWindow(DWORD process) {
    FoundWindow found{process, nullptr};
    EnumWindows(matchLauncherWindow, reinterpret_cast<LPARAM>(&found));
    return found.window;
}

bool isClass(const Child &child, const wchar_t *name) {
    return lstrcmpiW(child.className.c_str(), name) == 0;
}

// The screen the window shows, named after the launcher's state (and the update's phase).
std::string screenOf(const std::vector<Child> &children, bool updateSeen) {
    bool progress = false;
    for (const Child &child : children) {
        if (isClass(child, L"Edit"))
            return "Login";
        for (int phase = 0; phase < 3; ++phase)
            if (child.text == PhaseTexts[phase])
                return PhaseNames[phase];
        progress = progress || isClass(child, L"msctls_progress32");
    }
    if (progress)
        return "ManifestUpdate";
    return updateSeen ? "StartGame" : "CheckVersion";
}

class Launcher {
public:
    explicit Launcher(const std::wstring &folder) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring commandLine = L"\"" + folder + L"\\Brightwell.exe\"";
        started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 folder.c_str(), &startup, &info) != 0;
    }
    ~Launcher() {
        if (!started)
            return;
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(info.hProcess, 99);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    Launcher(const Launcher &) = delete;
    Launcher &operator=(const Launcher &) = delete;

    bool isStarted() const { return started; }
    bool hasEnded() const { return WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0; }
    DWORD id() const { return info.dwProcessId; }
    DWORD exitCode() const {
        WaitForSingleObject(info.hProcess, 30000);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(info.hProcess, &code);
        return code;
    }
    void hold() const { SuspendThread(info.hThread); }
    void release() const { ResumeThread(info.hThread); }

private:
    bool started = false;
    PROCESS_INFORMATION info{};
};

// Types the user name and password into their fields, as a player would.
void fillIn(const std::vector<Child> &children, const std::string &user,
            const std::string &password) {
    for (const Child &child : children)
        if (isClass(child, L"Edit"))
            SendMessageA(child.window, WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>((child.style & ES_PASSWORD) ? password.c_str()
                                                                              : user.c_str()));
}

// Presses the push button of the Login screen (the check box is a button too).
bool pressLogIn(const std::vector<Child> &children) {
    for (const Child &child : children) {
        const LONG kind = child.style & BS_TYPEMASK;
        if (isClass(child, L"Button") && (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON))
            return PostMessageW(child.window, BM_CLICK, 0, 0) != 0;
    }
    return false;
}

struct Phase {
    std::string name;
    double seconds;
};

// Announces the screen and waits until the caller has taken its picture.
double announce(int number, const std::string &screen) {
    const auto start = Clock::now();
    std::printf("SCREEN %d %s\n", number, screen.c_str());
    std::fflush(stdout);
    std::string answer;
    std::getline(std::cin, answer);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Holds the launcher still on its current screen while the caller takes the picture.
double picture(const Launcher &launcher, int number, const std::string &screen) {
    std::this_thread::sleep_for(std::chrono::milliseconds(PaintMilliseconds));
    launcher.hold();
    const double seconds = announce(number, screen);
    launcher.release();
    return seconds;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: brightwell-demo-driver <folder> <user> <password>\n");
        return 2;
    }
    wchar_t folder[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, argv[1], -1, folder, MAX_PATH);
    Launcher launcher(folder);
    if (!launcher.isStarted()) {
        std::fprintf(stderr, "cannot start Brightwell.exe in %s\n", argv[1]);
        return 1;
    }
    std::vector<Phase> phases;
    std::string screen;
    bool updateSeen = false;
    bool loggedIn = false;
    double held = 0;
    auto phaseStart = Clock::now();
    int shots = 0;
    while (!launcher.hasEnded()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(PollMilliseconds));
        const HWND window = launcherWindow(launcher.id());
        if (!window || !IsWindowVisible(window))
            continue;
        std::vector<Child> children;
        EnumChildWindows(window, collectChild, reinterpret_cast<LPARAM>(&children));
        const std::string now = screenOf(children, updateSeen);
        if (now == screen)
            continue;
        const auto changed = Clock::now();
        if (!screen.empty())
            phases.push_back(
                {screen, std::chrono::duration<double>(changed - phaseStart).count() - held});
        screen = now;
        phaseStart = changed;
        held = 0;
        updateSeen = updateSeen || now.rfind("GroupUpdate", 0) == 0 || now == "ManifestUpdate";
        held += picture(launcher, ++shots, now);
        if (now == "Login" && !loggedIn) {
            fillIn(children, argv[2], argv[3]);
            held += picture(launcher, ++shots, "Login-filled");
            loggedIn = pressLogIn(children);
            if (!loggedIn)
                std::fprintf(stderr, "no Log in button found\n");
        }
    }
    if (!screen.empty())
        phases.push_back(
            {screen, std::chrono::duration<double>(Clock::now() - phaseStart).count() - held});
    for (const Phase &phase : phases)
        std::printf("PHASE %s %.3f\n", phase.name.c_str(), phase.seconds);
    std::printf("EXIT %lu\n", static_cast<unsigned long>(launcher.exitCode()));
    return 0;
}
