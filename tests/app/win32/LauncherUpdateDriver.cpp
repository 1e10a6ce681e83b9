// A whole launch under Windows: Brightwell.exe in a folder of its own, pointed at the reference
// server, an out-of-date installation and a newer release. The driver types the credentials into
// the real edit controls and presses the real button with window messages, then waits for the
// launcher to log in, check the versions, download and install the release, run its program and
// start the game (the sample game), and checks everything on disk.
#include "tests/app/win32/LauncherDriving.h"
#include "tests/network/ReferenceServerFixture.h"
#include "tests/network/ScriptedServer.h"
#include "tests/support/ReleaseWriter.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Testing::builtLauncherFolder;
using Testing::LauncherProcess;
using Testing::readFile;
using Testing::waitForMainWindow;

namespace {

constexpr auto TimeLimit = std::chrono::seconds(60);

void writeFile(const fs::path &path, const std::string &bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string installedOrMissing(const fs::path &path) {
    return fs::is_regular_file(path) ? readFile(path) : "<missing>";
}

struct Controls {
    std::vector<HWND> edits; // top to bottom
    HWND loginButton = nullptr;
};

BOOL CALLBACK collectControl(HWND child, LPARAM data) {
    auto *controls = reinterpret_cast<Controls *>(data);
    if (!IsWindowVisible(child))
        return TRUE;
    wchar_t className[64] = {};
    GetClassNameW(child, className, 64);
    char text[64] = {};
    GetWindowTextA(child, text, sizeof text);
    if (lstrcmpiW(className, L"Edit") == 0)
        controls->edits.push_back(child);
    else if (lstrcmpiW(className, L"Button") == 0 && std::string(text) == "Log in")
        controls->loginButton = child;
    return TRUE;
}

Controls loginControls(HWND window) {
    Controls controls;
    EnumChildWindows(window, collectControl, reinterpret_cast<LPARAM>(&controls));
    std::sort(controls.edits.begin(), controls.edits.end(), [](HWND a, HWND b) {
        RECT first{}, second{};
        GetWindowRect(a, &first);
        GetWindowRect(b, &second);
        return first.top < second.top;
    });
    return controls;
}

// Waits until the file exists (a program started through the shell runs on its own).
std::string waitForFile(const fs::path &path) {
    const auto deadline = std::chrono::steady_clock::now() + TimeLimit;
    while (!fs::exists(path) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return installedOrMissing(path);
}

class LauncherUpdateTest : public Testing::ReferenceServerFixture {
protected:
    void SetUp() override {
        ReferenceServerFixture::SetUp();
        if (IsSkipped())
            return;
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder = fs::path(temp) / ("brightwell-update-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(folder);
        fs::create_directories(folder / "gameStates");
        fs::copy_file(builtLauncherFolder() / "Brightwell.exe", folder / "Brightwell.exe");
        // The shipped configuration, pointed at the server, with a short farewell.
        std::string configuration = readFile(builtLauncherFolder() / "gameStates/launcher.xml");
        configuration = std::regex_replace(
            configuration, std::regex("<URL>[^<]*</URL>"),
            "<URL>" + std::string(std::getenv("BRIGHTWELL_SERVER_URL")) + "</URL>");
        configuration = std::regex_replace(configuration, std::regex("<gameExe>[^<]*</gameExe>"),
                                           "<gameExe>samplegame.exe</gameExe>");
        configuration =
            std::regex_replace(configuration, std::regex("<lingerTime>[^<]*</lingerTime>"),
                               "<lingerTime>0.5</lingerTime>");
        writeFile(folder / "gameStates/launcher.xml", configuration);
        fs::copy_file(builtLauncherFolder() / "gameStates/logo.bmp",
                      folder / "gameStates/logo.bmp");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    fs::path folder;

    // Starts Brightwell.exe, logs the player in and waits for the launcher to end.
    void logInAndWaitForTheEnd() const {
        LauncherProcess launcher(folder);
        ASSERT_TRUE(launcher.isStarted());
        const HWND window = waitForMainWindow(launcher.id());
        ASSERT_NE(window, nullptr) << "no visible launcher window";
        const Controls controls = loginControls(window);
        ASSERT_EQ(controls.edits.size(), 2u);
        ASSERT_NE(controls.loginButton, nullptr);
        SendMessageA(controls.edits[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("player"));
        SendMessageA(controls.edits[1], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("password"));
        SendMessageA(controls.loginButton, BM_CLICK, 0, 0);
        ASSERT_NE(launcher.waitForExit(60000), static_cast<DWORD>(STILL_ACTIVE))
            << "the launcher did not end";
    }
};

// A server that calls the launcher out of date names a program instead of a web page: the shell
// must not be handed it.
TEST_F(LauncherUpdateTest, AnOutOfDateLaunchersAddressThatIsNoWebPageStartsNothing) {
    fs::create_directories(folder / "trap");
    fs::copy_file(builtLauncherFolder() / "samples/samplegame.exe", folder / "trap/samplegame.exe");
    const std::string program = (folder / "trap/samplegame.exe").string();
    for (const std::string &address : {program, "file:///" + program}) {
        SCOPED_TRACE(address);
        std::string text = readFile(std::filesystem::u8path(root + "ksserver.config.php"));
        text = std::regex_replace(text, std::regex("'l20101210'"), "'l20991231'");
        // PHP's single quotes keep every character but a backslash, which is doubled.
        const std::string php = std::regex_replace(address, std::regex("\\\\"), "\\\\$&");
        writeConfigurationText(
            std::regex_replace(text, std::regex("https://www.example.com/new-launcher"), php));
        ASSERT_NO_FATAL_FAILURE(logInAndWaitForTheEnd());
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));
    EXPECT_EQ(installedOrMissing(folder / "trap/samplegame-commandline.txt"), "<missing>");
}

TEST_F(LauncherUpdateTest, APlayerLogsInTheInstallationIsUpdatedAndTheGameStarts) {
    const std::string game = readFile(builtLauncherFolder() / "samples/samplegame.exe");
    ASSERT_FALSE(game.empty());
    writeFile(folder / "manifest.xml", "<manifest version=\"6\"/>");
    writeFile(folder / "readme.txt", "readme of 6");
    writeFile(folder / "config/options.ini", "the player's options");
    Testing::ReleaseWriter release("7");
    auto &core = release.addGroup("core", "7", "packs/core.zip");
    core.add("samplegame.exe", game, "7");
    core.add("data/level.dat", std::string(5000, 'L'), "7");
    core.add("readme.txt", "readme of 7", "7");
    core.add("config/options.ini", "default options", "7", "restore_only");
    core.add("tools/setup.exe", game, "7", "exec").args = "/quiet /log";
    release.writeTo(root + "release/", "manifest-7.xml");

    ASSERT_NO_FATAL_FAILURE(logInAndWaitForTheEnd());
    EXPECT_EQ(waitForFile(folder / "samplegame-commandline.txt"),
              "user=" + PlayerName + "&password=" + PlayerDigest);
    EXPECT_EQ(waitForFile(folder / "tools/samplegame-commandline.txt"), "/quiet /log");
    EXPECT_EQ(installedOrMissing(folder / "samplegame.exe"), game);
    EXPECT_EQ(installedOrMissing(folder / "data/level.dat"), std::string(5000, 'L'));
    EXPECT_EQ(installedOrMissing(folder / "readme.txt"), "readme of 7");
    EXPECT_EQ(installedOrMissing(folder / "config/options.ini"), "the player's options");
    std::string manifest = release.manifest();
    while (!manifest.empty() && manifest.back() == '\n')
        manifest.pop_back();
    EXPECT_EQ(installedOrMissing(folder / "manifest.xml"), manifest);
}

struct BoxSearch {
    DWORD process;
    HWND box;
};

BOOL CALLBACK matchMessageBox(HWND window, LPARAM data) {
    auto *found = reinterpret_cast<BoxSearch *>(data);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == found->process && std::wstring(className) == L"#32770")
        found->box = window;
    return found->box == nullptr;
}

// The message box process shows, waiting up to seconds; null when none appeared.
HWND waitForMessageBox(DWORD process, int seconds) {
    BoxSearch search{process, nullptr};
    for (int tenth = 0; tenth < seconds * 10 && !search.box; ++tenth) {
        EnumWindows(matchMessageBox, reinterpret_cast<LPARAM>(&search));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return search.box;
}

// A server that accepts and never answers: the unattended start-up login fails after the
// configured receive time-out (2 s) with libcurl's time-out code, once, and the run ends with the
// refused login's code.
TEST_F(LauncherUpdateTest, AStalledServerFailsOnceWithinTheTimeOut) {
    Testing::ScriptedServer stalled(
        [](int, const std::string &) {
            return Testing::ScriptedReply{{}, Testing::ScriptedReply::End::Stall};
        },
        2);
    std::string configuration = readFile(folder / "gameStates/launcher.xml");
    const std::string base = stalled.url().substr(0, stalled.url().find("/ksclient"));
    configuration = std::regex_replace(configuration, std::regex("<URL>[^<]*</URL>"),
                                       "<URL>" + base + "</URL>");
    configuration = std::regex_replace(
        configuration, std::regex("<receiveTimeout>[^<]*</receiveTimeout>"),
        "<receiveTimeout>2</receiveTimeout>");
    writeFile(folder / "gameStates/launcher.xml", configuration);
    LauncherProcess launcher(folder, L"-uac -u " + std::wstring(PlayerName.begin(), PlayerName.end()) +
                                         L" -p " +
                                         std::wstring(PlayerDigest.begin(), PlayerDigest.end()));
    ASSERT_TRUE(launcher.isStarted());
    const HWND box = waitForMessageBox(launcher.id(), 15);
    ASSERT_NE(box, nullptr) << "no error within the time-outs";
    char text[512] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_NE(std::string(text).find("Error 28 in processing request"), std::string::npos) << text;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(launcher.waitForExit(10000), 2u);
    EXPECT_EQ(stalled.requestLines().size(), 1u) << "a text request's time-out is not retried";
}

} // namespace
