// Messages of the element subclass that only real windows carry: transparent static colours,
// the answer to commands, erasing.
#include "tests/ui/ElementFixture.h"

#include "ui/ButtonElement.h"
#include "ui/TextElement.h"

#include <windows.h>

namespace UiTesting {
namespace {

HWND native(WindowHandle window) { return reinterpret_cast<HWND>(window); }

TEST_F(ElementTest, StaticControlsDrawTransparentlyOverTheParent) {
    Kestrel::TextElement &label = shown<Kestrel::TextElement>("<text>Password</text>");
    HDC context = GetDC(native(label.getWindow()));
    SetBkMode(context, OPAQUE);
    const LRESULT brush =
        SendMessageW(native(mainWindow), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(context),
                     reinterpret_cast<LPARAM>(native(label.getWindow())));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), GetStockObject(NULL_BRUSH));
    EXPECT_EQ(GetBkMode(context), TRANSPARENT);
    ReleaseDC(native(label.getWindow()), context);
}

TEST_F(ElementTest, CommandsAreAnsweredWithZeroAndErasingIsReportedDone) {
    Kestrel::ButtonElement &button = shown<Kestrel::ButtonElement>("<size>20 10</size>");
    EXPECT_EQ(SendMessageW(native(mainWindow), WM_COMMAND, 0,
                           reinterpret_cast<LPARAM>(native(button.getWindow()))),
              0);
    HDC context = GetDC(native(button.getWindow()));
    // First pass captures the parent's pixels, the next draws them: both report erasing done.
    for (int pass = 0; pass < 2; ++pass)
        EXPECT_EQ(SendMessageW(native(button.getWindow()), WM_ERASEBKGND,
                               reinterpret_cast<WPARAM>(context), 0),
                  1);
    ReleaseDC(native(button.getWindow()), context);
}

} // namespace
} // namespace UiTesting
