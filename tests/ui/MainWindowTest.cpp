// The main window and its background child, over the real system where there is one.
#include "tests/ui/ElementFixture.h"

#include <tuple>

namespace UiTesting {
namespace {

namespace Platform = Kestrel::Platform;

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

} // namespace
} // namespace UiTesting
