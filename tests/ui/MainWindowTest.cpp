// The main window, its background child and centring, bitmaps from files, and the message box
// seam, over the real system where there is one.
#include "tests/ui/ElementFixture.h"

#include "platform/MessageBox.h"
#include "tests/support/TempFolder.h"

#include <tuple>

namespace UiTesting {
namespace {

namespace Platform = Kestrel::Platform;

// A 2 x 1 bitmap file of 24-bit pixels (rows padded to 4 bytes).
std::string bitmapFile() {
    const unsigned char bytes[] = {
        'B', 'M', 62,  0,   0,   0,   0, 0, 0, 0, 54, 0, 0, 0, // file header
        40,  0,   0,   0,   2,   0,   0, 0, 1, 0, 0,  0, 1, 0,
        24,  0,   0,   0,   0,   0, // size, planes, depth
        8,   0,   0,   0,   0,   0,   0, 0, 0, 0, 0,  0, 0, 0,
        0,   0,   0,   0,   0,   0,          // image size, rest
        0,   0,   255, 255, 255, 255, 0, 0}; // two pixels, padding
    return std::string(reinterpret_cast<const char *>(bytes), sizeof bytes);
}

TEST_F(ElementTest, MainWindowHasItsClassTitleStylesAndSize) {
    const WindowHandle fresh = Platform::createMainWindow();
    ASSERT_NE(fresh, nullptr);
    const Creation created = creationOf(fresh);
    EXPECT_EQ(
        std::make_tuple(created.className, created.extendedStyle & ~WindowEdge, created.style),
        std::make_tuple(std::wstring(L"BrightwellLauncher"), 0x10000U, 0xCA0000U));
    EXPECT_EQ(text(fresh), "Brightwell Launcher");
    const WindowRect rect = placement(fresh);
    EXPECT_EQ(std::make_tuple(rect.right - rect.left, rect.bottom - rect.top),
              std::make_tuple(400, 400));
    EXPECT_FALSE(visible(fresh));

    const int destroyedBefore = mainWindowEvents().destroyed;
    destroy(fresh);
    EXPECT_EQ(mainWindowEvents().destroyed, destroyedBefore + 1);
}

TEST_F(ElementTest, BackgroundChildCoversTheWindowWithItsId) {
    const WindowHandle background = Platform::createBackgroundChild(mainWindow);
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(creationOf(background).className, L"STATIC");
    EXPECT_EQ(std::make_tuple(controlId(background), visible(background), text(background)),
              std::make_tuple(256, true, std::string()));
    const WindowRect rect = placement(background);
    EXPECT_EQ(std::make_tuple(rect.left, rect.top, rect.right, rect.bottom),
              std::make_tuple(0, 0, 400, 400));
}

TEST_F(ElementTest, CentringUsesTheDesktopsHalves) {
    WindowRect desktop;
    ASSERT_TRUE(Platform::getDesktopRect(desktop));
    Platform::centreOnDesktop(mainWindow);
    const WindowRect rect = placement(mainWindow);
    EXPECT_EQ(std::make_tuple(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top),
              std::make_tuple((desktop.left + desktop.right) / 2 - 200,
                              (desktop.top + desktop.bottom) / 2 - 200, 400, 400));
}

TEST(BitmapFileTest, LoadsOnlyBitmapFiles) {
    const Testing::TempFolder folder;
    folder.write("logo.bmp", bitmapFile());
    folder.write("text.bmp", "not a bitmap at all, just some words");
    EXPECT_NE(Platform::loadBitmapFile(folder / "logo.bmp"), nullptr);
    EXPECT_EQ(Platform::loadBitmapFile(folder / "text.bmp"), nullptr);
    EXPECT_EQ(Platform::loadBitmapFile(folder / "missing.bmp"), nullptr);
}

TEST(MessageBoxTest, AnInstalledAnswererSeesEveryBoxAndIsReplaceable) {
    std::vector<std::tuple<std::string, std::string, Platform::MessageBoxKind>> seen;
    const auto previous = Platform::setMessageBoxAnswerer(
        [&](const std::string &text, const std::string &caption, Platform::MessageBoxKind kind) {
            seen.emplace_back(text, caption, kind);
            return Platform::MessageBoxAnswer::Retry;
        });
    EXPECT_EQ(Platform::showMessageBox("Login failed.\nno", "Brightwell Launcher",
                                       Platform::MessageBoxKind::OkExclamation),
              Platform::MessageBoxAnswer::Retry);
    EXPECT_EQ(Platform::showMessageBox("Could not update", "Error",
                                       Platform::MessageBoxKind::RetryCancelWarning),
              Platform::MessageBoxAnswer::Retry);
    const auto mine = Platform::setMessageBoxAnswerer(previous);
    ASSERT_TRUE(mine);
    EXPECT_EQ(
        seen,
        (std::vector<std::tuple<std::string, std::string, Platform::MessageBoxKind>>{
            {"Login failed.\nno", "Brightwell Launcher", Platform::MessageBoxKind::OkExclamation},
            {"Could not update", "Error", Platform::MessageBoxKind::RetryCancelWarning}}));
}

} // namespace
} // namespace UiTesting
