// Start-up smoke test of Brightwell.exe over real Win32 windows: the program beside this one's
// folder starts with the shipped configuration, its main window carries the configured title and
// size, sits centred on the desktop, shows its logo and the Login controls, and the program ends
// when the window is sent WM_CLOSE. With "--close" the driver only asks a running launcher to
// close (used by the screenshot script).
#include "tests/app/win32/LauncherDriving.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Testing::builtLauncherFolder;
using Testing::LauncherProcess;
using Testing::readFile;
using Testing::waitForMainWindow;

namespace {

// The text of the first <tag> after the first <section> of an XML text, or empty.
std::string valueIn(const std::string &xml, const std::string &section, const std::string &tag) {
    const std::size_t start = xml.find("<" + section + ">");
    const std::size_t open = xml.find("<" + tag + ">", start);
    if (start == std::string::npos || open == std::string::npos)
        return {};
    const std::size_t from = open + tag.size() + 2;
    return xml.substr(from, xml.find("</" + tag + ">", from) - from);
}

std::string narrowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The colour of pixel (x, y) of a bottom-up 24-bit BMP file's bytes, as GetPixel reports colours.
COLORREF bitmapPixel(const std::string &bmp, int x, int y) {
    const auto field = [&bmp](std::size_t offset) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[offset])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[offset + 1])) << 8 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[offset + 2])) << 16;
    };
    const std::uint32_t dataOffset = field(10);
    const std::uint32_t width = field(18);
    const std::uint32_t height = field(22);
    const std::size_t row = (width * 3 + 3) / 4 * 4;
    const std::size_t at = dataOffset + (height - 1 - y) * row + x * 3;
    return RGB(static_cast<unsigned char>(bmp[at + 2]), static_cast<unsigned char>(bmp[at + 1]),
               static_cast<unsigned char>(bmp[at]));
}

// Whether the window's client pixel (x, y) shows the logo's pixel there, allowing a few seconds
// for painting.
bool showsLogoPixel(HWND window, const std::string &bmp, int x, int y) {
    const COLORREF expected = bitmapPixel(bmp, x, y);
    for (int attempt = 0; attempt < 50; ++attempt) {
        HDC context = GetDC(window);
        const COLORREF shown = GetPixel(context, x, y);
        ReleaseDC(window, context);
        if (shown == expected)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

struct ChildSummary {
    int edits = 0;
    std::vector<std::string> buttonTexts;
};

BOOL CALLBACK summariseChild(HWND child, LPARAM data) {
    auto *summary = reinterpret_cast<ChildSummary *>(data);
    if (!IsWindowVisible(child))
        return TRUE;
    wchar_t className[64] = {};
    GetClassNameW(child, className, 64);
    if (lstrcmpiW(className, L"Edit") == 0)
        ++summary->edits;
    if (lstrcmpiW(className, L"Button") == 0)
        summary->buttonTexts.push_back(narrowText(child));
    return TRUE;
}

// Checks the window against the configuration it was started with, then closes it.
void checkAndClose(LauncherProcess &launcher, const std::string &configuration) {
    ASSERT_TRUE(launcher.isStarted());
    const HWND window = waitForMainWindow(launcher.id());
    ASSERT_NE(window, nullptr) << "no visible launcher window";
    EXPECT_EQ(narrowText(window), valueIn(configuration, "root", "text"));

    RECT rect{};
    ASSERT_TRUE(GetWindowRect(window, &rect));
    EXPECT_EQ(std::to_string(rect.right - rect.left) + " " + std::to_string(rect.bottom - rect.top),
              valueIn(configuration, "root", "size"));
    // Centred by the fixed half size of 200, whatever size the configuration gave.
    RECT desktop{};
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &desktop));
    EXPECT_EQ(rect.left, (desktop.left + desktop.right) / 2 - 200);
    EXPECT_EQ(rect.top, (desktop.top + desktop.bottom) / 2 - 200);

    ChildSummary children;
    EnumChildWindows(window, summariseChild, reinterpret_cast<LPARAM>(&children));
    EXPECT_EQ(children.edits, 2) << "the Login screen's user name and password fields";
    EXPECT_NE(std::find(children.buttonTexts.begin(), children.buttonTexts.end(),
                        valueIn(configuration, "loginButton", "text")),
              children.buttonTexts.end());

    ASSERT_TRUE(PostMessageW(window, WM_CLOSE, 0, 0));
    EXPECT_EQ(launcher.waitForExit(), 0u) << "the launcher must end when its window closes";
}

TEST(LauncherSmokeTest, StartsWithTheShippedConfigurationAndEndsWhenClosed) {
    const fs::path folder = builtLauncherFolder();
    LauncherProcess launcher(folder);
    const std::string configuration = readFile(folder / "gameStates/launcher.xml");
    ASSERT_NE(waitForMainWindow(launcher.id()), nullptr);
    const std::string logo = readFile(folder / valueIn(configuration, "launcher", "logo"));
    ASSERT_GT(logo.size(), 54u);
    // Points of the sky, the sun and the panel, away from every control.
    for (const POINT point : {POINT{5, 5}, POINT{300, 118}, POINT{10, 300}})
        EXPECT_TRUE(showsLogoPixel(waitForMainWindow(launcher.id()), logo, point.x, point.y))
            << "logo pixel " << point.x << "," << point.y;
    checkAndClose(launcher, configuration);
}

// Asks the running launcher to close, as its window's close button would.
int closeRunningLauncher() {
    const HWND window = waitForMainWindow(0);
    return window && PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 2 && std::string(argv[1]) == "--close")
        return closeRunningLauncher();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
