// What only the in-memory window layer shows: the background cache passes, the logo paint,
// the queued input of the pump, an unreadable desktop and the default message box.
#include "tests/ui/ElementFixture.h"

#include "platform/MessageBox.h"
#include "platform/headless/HeadlessWindows.h"
#include "tests/support/TempFolder.h"
#include "ui/ButtonElement.h"
#include "ui/ProgressElement.h"
#include "ui/TextElement.h"

#include <functional>
#include <tuple>
#include <vector>

namespace UiTesting {
namespace {

namespace Platform = Kestrel::Platform;
namespace Headless = Kestrel::Platform::Headless;

TEST_F(ElementTest, BackgroundIsCapturedOnceThenDrawnFromTheCache) {
    Kestrel::ButtonElement &button =
        shown<Kestrel::ButtonElement>("<position>12 34</position><size>50 20</size>");
    // Showing painted it once, which only captured the parent's pixels under the control.
    const WindowHandle window = button.getWindow();
    EXPECT_EQ(window->backgroundDraws, 0);
    button.redrawArea(nullptr);
    button.redrawArea(nullptr);
    EXPECT_EQ(window->backgroundDraws, 2);
    const Platform::BitmapHandle cache = window->lastDrawnBackground;
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(cache->capturedFrom, mainWindow);
    EXPECT_EQ(std::make_tuple(cache->capturedArea.left, cache->capturedArea.top,
                              cache->capturedArea.right, cache->capturedArea.bottom),
              std::make_tuple(12, 34, 62, 54));

    // Creating again starts a new cache.
    button.create();
    button.show();
    button.redrawArea(nullptr);
    EXPECT_EQ(window->backgroundDraws, 3);
    EXPECT_NE(window->lastDrawnBackground, cache);
}

TEST_F(ElementTest, SelfPaintedControlsAndTheRootDrawNoBackground) {
    Kestrel::TextElement &centred = shown<Kestrel::TextElement>("<horizPos>center</horizPos>");
    Kestrel::ButtonElement &ok = shown<Kestrel::ButtonElement>("<okButton>1</okButton>");
    for (int pass = 0; pass < 2; ++pass) {
        centred.redrawArea(nullptr);
        ok.redrawArea(nullptr);
        root->redrawArea(nullptr);
    }
    EXPECT_EQ(std::make_tuple(centred.getWindow()->backgroundDraws, ok.getWindow()->backgroundDraws,
                              mainWindow->backgroundDraws),
              std::make_tuple(0, 0, 0));
    EXPECT_EQ(root->eraseBackground(&mainWindow->context), false);
    EXPECT_EQ(ok.eraseBackground(&ok.getWindow()->context), true);
}

TEST_F(ElementTest, MainWindowPaintsTheLogoOfTheCallback) {
    Platform::NativeBitmap logo;
    mainWindowEvents().logo = &logo;
    root->redrawArea(nullptr);
    mainWindowEvents().logo = nullptr;
    EXPECT_EQ(mainWindow->paintedLogo, &logo);
    root->redrawArea(nullptr);
    EXPECT_EQ(mainWindow->paintedLogo, nullptr);

    // Showing, hiding or retitling a control repaints the logo under it.
    Kestrel::ButtonElement &button = make<Kestrel::ButtonElement>("");
    mainWindowEvents().logo = &logo;
    for (const auto &change : std::vector<std::function<void()>>{
             [&] { button.show(); }, [&] { button.setText("x"); }, [&] { button.hide(); }}) {
        mainWindow->paintedLogo = nullptr;
        change();
        EXPECT_EQ(mainWindow->paintedLogo, &logo);
    }
    mainWindowEvents().logo = nullptr;
}

TEST_F(ElementTest, HiddenWindowsTakeNoInput) {
    Kestrel::ButtonElement &hidden = make<Kestrel::ButtonElement>("<size>80 24</size>");
    EXPECT_FALSE(Headless::click(hidden.getWindow()));
    EXPECT_FALSE(Headless::typeText(hidden.getWindow(), "x"));
    EXPECT_FALSE(Headless::pressReturn(hidden.getWindow()));
    hidden.show();
    EXPECT_FALSE(Headless::typeText(hidden.getWindow(), "x"));
    Platform::showWindow(mainWindow, Platform::ShowHide);
    EXPECT_FALSE(Headless::click(hidden.getWindow()));
    Platform::showWindow(mainWindow, Platform::ShowShow);
    Platform::setWindowPosition(hidden.getWindow(), 0, 0, 80, 0);
    EXPECT_FALSE(Headless::click(hidden.getWindow()));
    Platform::setWindowPosition(hidden.getWindow(), 0, 0, 80, 1);
    EXPECT_TRUE(Headless::click(hidden.getWindow()));
}

TEST(HeadlessPumpTest, RunsOneQueuedInputPerCall) {
    int runs = 0;
    Headless::post([&] { ++runs; });
    Headless::post([&] { runs += 10; });
    EXPECT_TRUE(Platform::pumpOneMessage(nullptr));
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(Platform::pumpOneMessage(nullptr));
    EXPECT_FALSE(Platform::pumpOneMessage(nullptr));
    EXPECT_EQ(std::make_tuple(runs, Headless::pendingInputs()), std::make_tuple(11, 0U));
}

TEST_F(ElementTest, UnreadableDesktopLeavesTheWindowInPlace) {
    Platform::setWindowPosition(mainWindow, 7, 9, 400, 400);
    Headless::setDesktop(nullptr);
    Platform::centreOnDesktop(mainWindow);
    const WindowRect odd{-1, -1, 1280, 1024};
    Headless::setDesktop(&odd);
    EXPECT_EQ(std::make_tuple(mainWindow->rect.left, mainWindow->rect.top), std::make_tuple(7, 9));
    // Halves round toward zero: (-1 + 1280) / 2 = 639.
    Platform::centreOnDesktop(mainWindow);
    const WindowRect standard{0, 0, 1024, 768};
    Headless::setDesktop(&standard);
    EXPECT_EQ(std::make_tuple(mainWindow->rect.left, mainWindow->rect.top),
              std::make_tuple(439, 311));
}

TEST(HeadlessMessageBoxTest, WritesTheBoxAndAnswersWithoutRetrying) {
    ::testing::internal::CaptureStderr();
    const auto ok = Platform::showMessageBox("An Error Occured.\nboom", "Brightwell Launcher",
                                             Platform::MessageBoxKind::OkExclamation);
    const auto cancel = Platform::showMessageBox("Could not update", "Error",
                                                 Platform::MessageBoxKind::RetryCancelWarning);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "[Brightwell Launcher] An Error Occured.\nboom [OK]\n"
              "[Error] Could not update [Cancel]\n");
    EXPECT_EQ(std::make_tuple(ok, cancel),
              std::make_tuple(Platform::MessageBoxAnswer::Ok, Platform::MessageBoxAnswer::Cancel));
}

TEST_F(ElementTest, ButtonsAskForTheRaisedEdgeAndTheMainWindowDoesNot) {
    Kestrel::ButtonElement &button = make<Kestrel::ButtonElement>("");
    EXPECT_EQ(std::make_tuple(button.getWindow()->extendedStyle, mainWindow->extendedStyle),
              std::make_tuple(0x100U, 0x10000U));
}

TEST_F(ElementTest, MarqueeStyleTakesEffectInBothDirections) {
    Kestrel::ProgressElement &bar = shown<Kestrel::ProgressElement>("");
    constexpr std::uint32_t Marquee = 0x8;
    bar.setMarquee(true);
    EXPECT_EQ(std::make_tuple(bar.getWindow()->drawnStyle & Marquee, bar.getWindow()->marquee),
              std::make_tuple(Marquee, true));
    bar.setMarquee(false);
    EXPECT_EQ(std::make_tuple(bar.getWindow()->drawnStyle & Marquee, bar.getWindow()->marquee),
              std::make_tuple(0U, false));
}

TEST_F(ElementTest, ClassRegistersOncePerProcessLikeWindows) {
    EXPECT_FALSE(Platform::registerMainWindowClass({}));
}

TEST(HeadlessBitmapTest, RecordsEveryLoadWithItsSize) {
    const Testing::TempFolder folder;
    // Width 3 and a negative (top-down) height of 2 in an otherwise minimal header.
    std::string header(26, '\0');
    header[0] = 'B';
    header[1] = 'M';
    header[18] = 3;
    header[22] = '\xFE';
    header[23] = header[24] = header[25] = '\xFF';
    folder.write("top-down.bmp", header);
    folder.write("short.bmp", header.substr(0, 25));
    const Platform::BitmapHandle bitmap = Platform::loadBitmapFile(folder / "top-down.bmp");
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(std::make_tuple(bitmap->width, bitmap->height), std::make_tuple(3, 2));
    EXPECT_EQ(Platform::loadBitmapFile(folder / "short.bmp"), nullptr);
    const auto &loads = Headless::bitmapLoads();
    ASSERT_GE(loads.size(), 2U);
    EXPECT_EQ(std::make_tuple(loads[loads.size() - 2].path, loads[loads.size() - 2].loaded,
                              loads.back().path, loads.back().loaded),
              std::make_tuple(folder / "top-down.bmp", true, folder / "short.bmp", false));
}

} // namespace
} // namespace UiTesting
