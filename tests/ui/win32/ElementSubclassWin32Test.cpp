// Messages of the element subclass that only real windows carry: transparent static colours,
// erasing and the logo paint.
#include "tests/ui/ElementFixture.h"

#include "tests/support/TempFolder.h"
#include "ui/ButtonElement.h"
#include "ui/TextElement.h"

#include <tuple>

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

TEST_F(ElementTest, ErasingCapturesTheParentFirstAndDrawsItAfterwards) {
    Kestrel::ButtonElement &button = shown<Kestrel::ButtonElement>("<size>20 10</size>");
    // Showing painted the control already; creating it again starts a new cache while hidden.
    button.create();
    // A red canvas in place of the control's own context shows whether anything was drawn.
    HDC screen = GetDC(nullptr);
    HDC canvas = CreateCompatibleDC(screen);
    HBITMAP pixels = CreateCompatibleBitmap(screen, 20, 10);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(canvas, pixels);
    const COLORREF red = RGB(255, 0, 0);
    const RECT all{0, 0, 20, 10};
    HBRUSH brush = CreateSolidBrush(red);
    FillRect(canvas, &all, brush);
    DeleteObject(brush);

    auto erase = [&] {
        return SendMessageW(native(button.getWindow()), WM_ERASEBKGND,
                            reinterpret_cast<WPARAM>(canvas), 0);
    };
    EXPECT_EQ(erase(), 1);
    EXPECT_EQ(GetPixel(canvas, 5, 5), red);
    EXPECT_EQ(erase(), 1);
    EXPECT_NE(GetPixel(canvas, 5, 5), red);

    SelectObject(canvas, previous);
    DeleteObject(pixels);
    DeleteDC(canvas);
}

TEST_F(ElementTest, PaintingCopiesTheLogoToTheTopLeftCorner) {
    // A 2 x 1 bitmap: one blue and one red pixel, in the file's blue-green-red order.
    const unsigned char bytes[] = {'B', 'M', 62, 0, 0, 0, 0,   0, 0, 0, 54, 0,   0,  0, 40, 0,
                                   0,   0,   2,  0, 0, 0, 1,   0, 0, 0, 1,  0,   24, 0, 0,  0,
                                   0,   0,   8,  0, 0, 0, 0,   0, 0, 0, 0,  0,   0,  0, 0,  0,
                                   0,   0,   0,  0, 0, 0, 255, 0, 0, 0, 0,  255, 0,  0};
    const Testing::TempFolder folder;
    folder.write("logo.bmp", std::string(reinterpret_cast<const char *>(bytes), sizeof bytes));
    mainWindowEvents().logo = Kestrel::Platform::loadBitmapFile(folder / "logo.bmp");
    ASSERT_NE(mainWindowEvents().logo, nullptr);
    InvalidateRect(native(mainWindow), nullptr, TRUE);
    UpdateWindow(native(mainWindow));
    mainWindowEvents().logo = nullptr;
    HDC context = GetDC(native(mainWindow));
    EXPECT_EQ(std::make_tuple(GetPixel(context, 0, 0), GetPixel(context, 1, 0)),
              std::make_tuple(RGB(0, 0, 255), RGB(255, 0, 0)));
    ReleaseDC(native(mainWindow), context);
}

} // namespace
} // namespace UiTesting
