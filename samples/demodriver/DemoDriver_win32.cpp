// The demo's stand-in for a player: starts Brightwell.exe from an installation folder, logs in
// through the real controls (window messages fill the fields and press the button), and follows
// the launcher's screens until it ends. The screens are read while the launcher's thread is held
// still, and a screen counts once two looks a few milliseconds apart agree, so a switch half done
// is never taken for a screen. Each new screen is announced on standard output as
// "SCREEN <n> <name>" while the launcher is held, and the driver waits for one line on standard
// input (the caller takes its picture meanwhile) before letting it go on; a screen that is gone
// before its picture is announced as "SHORT <name>" instead. At the end it prints
// "PHASE <name> <seconds>" for every screen, held time left out, and "EXIT <code>".
// With "--timing" it takes no pictures and also prints "LOGIN-TO-GAME <seconds>": from pressing
// the button to the screen of the game's start.
//
// Usage: brightwell-demo-driver <installation folder> <user> <password> [--timing]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
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

// The text Windows keeps for a window of another process, read without sending it a message, so
// that it works while that process is held still.
std::string textOf(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
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

// The visible children of the process's visible main window; none without such a window.
std::vector<Child> childrenOf(DWORD process) {
    std::vector<Child> children;
    const HWND window = launcherWindow(process);
    if (window && IsWindowVisible(window))
        EnumChildWindows(window, collectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

bool isClass(const Child &child, const wchar_t *name) {
    return lstrcmpiW(child.className.c_str(), name) == 0;
}

// The screen the window shows, named after the launcher's state (and the update's phase);
// startText is the StartGame screen's message.
std::string screenOf(const std::vector<Child> &children, const std::string &startText) {
    bool progress = false;
    for (const Child &child : children) {
        if (isClass(child, L"Edit"))
            return "Login";
        if (child.text == startText)
            return "StartGame";
        for (int phase = 0; phase < 3; ++phase)
            if (child.text == PhaseTexts[phase])
                return PhaseNames[phase];
        progress = progress || isClass(child, L"msctls_progress32");
    }
    return progress ? "ManifestUpdate" : "CheckVersion";
}

// The text of the StartGame screen's message in the installation's configuration.
std::string startTextIn(const std::string &folder) {
    std::ifstream in(folder + "\\gameStates\\launcher.xml", std::ios::binary);
    const std::string xml{std::istreambuf_iterator<char>(in), {}};
    const std::size_t section = xml.find("<StartGame>");
    const std::size_t open = xml.find("<text>", section);
    if (section == std::string::npos || open == std::string::npos)
        return {};
    return xml.substr(open + 6, xml.find("</text>", open) - open - 6);
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
    // Reading the thread's context waits until the suspension has taken effect.
    void hold() const {
        SuspendThread(info.hThread);
        CONTEXT context{};
        context.ContextFlags = CONTEXT_CONTROL;
        GetThreadContext(info.hThread, &context);
    }
    void release() const { ResumeThread(info.hThread); }
    // The screen's controls, read while the launcher is held still.
    std::vector<Child> look() const {
        hold();
        std::vector<Child> children = childrenOf(info.dwProcessId);
        release();
        return children;
    }

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

// Holds the launcher still for the caller's picture of screen, named label, unless the screen is
// gone by then ("SHORT <label>"); the seconds it was held for the picture.
double picture(const Launcher &launcher, const std::string &startText, int &shots,
               const std::string &screen, const std::string &label) {
    std::this_thread::sleep_for(std::chrono::milliseconds(PaintMilliseconds));
    launcher.hold();
    double seconds = 0;
    if (screenOf(childrenOf(launcher.id()), startText) == screen) {
        seconds = announce(++shots, label);
    } else {
        std::printf("SHORT %s\n", label.c_str());
        std::fflush(stdout);
    }
    launcher.release();
    return seconds;
}

} // namespace

int main(int argc, char **argv) {
    const bool timing = argc == 5 && std::string(argv[4]) == "--timing";
    if (argc != 4 && !timing) {
        std::fprintf(stderr,
                     "usage: brightwell-demo-driver <folder> <user> <password> [--timing]\n");
        return 2;
    }
    wchar_t folder[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, argv[1], -1, folder, MAX_PATH);
    const std::string startText = startTextIn(argv[1]);
    Launcher launcher(folder);
    if (!launcher.isStarted()) {
        std::fprintf(stderr, "cannot start Brightwell.exe in %s\n", argv[1]);
        return 1;
    }
    std::vector<Phase> phases;
    std::string screen;
    bool loggedIn = false;
    double held = 0;
    auto phaseStart = Clock::now();
    auto loginPressed = Clock::now();
    int shots = 0;
    while (!launcher.hasEnded()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(PollMilliseconds));
        // A hidden window (the wait for an elevated copy) shows no screen.
        const std::vector<Child> first = launcher.look();
        const std::string now = screenOf(first, startText);
        if (first.empty() || now == screen)
            continue;
        const auto changed = Clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(PollMilliseconds));
        const std::vector<Child> children = launcher.look();
        if (children.empty() || screenOf(children, startText) != now)
            continue;
        if (!screen.empty())
            phases.push_back(
                {screen, std::chrono::duration<double>(changed - phaseStart).count() - held});
        screen = now;
        phaseStart = changed;
        held = timing ? 0 : picture(launcher, startText, shots, now, now);
        if (now == "StartGame" && timing && loggedIn)
            std::printf("LOGIN-TO-GAME %.3f\n",
                        std::chrono::duration<double>(changed - loginPressed).count());
        if (now == "Login" && !loggedIn) {
            fillIn(children, argv[2], argv[3]);
            if (!timing)
                held += picture(launcher, startText, shots, now, "Login-filled");
            loginPressed = Clock::now();
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
