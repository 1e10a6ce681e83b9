// What only the in-memory window layer shows: the logo paint and the default message box.
#include "tests/ui/ElementFixture.h"

#include "platform/MessageBox.h"
#include "platform/headless/HeadlessWindows.h"
#include "ui/ButtonElement.h"

#include <functional>
#include <tuple>
#include <vector>

namespace UiTesting {
namespace {

namespace Platform = Kestrel::Platform;

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

} // namespace
} // namespace UiTesting
