// The window layer over user32, gdi32 and comctl32: the main window with its procedure, the
// common controls, and the element subclass that turns control messages into element calls.
#include "platform/Window.h"

#include "ui/WindowElement.h"

#include <windows.h>

#include <commctrl.h>

#include <exception>
#include <utility>

namespace Kestrel::Platform {

namespace {

const wchar_t *const MainWindowClass = L"BrightwellLauncher";
const wchar_t *const MainWindowTitle = L"Brightwell Launcher";
constexpr int WindowSize = 400;
constexpr UINT_PTR ElementSubclassId = 1;
constexpr WORD IconResource = 168;
constexpr DWORD CommonControlClasses = ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS;

MainWindowCallbacks mainCallbacks;

// An exception must not unwind through the system's frames between a window procedure and the
// code that pumped or sent the message: it is kept here and thrown again once the system call
// has returned.
std::exception_ptr pendingException;

void rethrowPending() {
    if (pendingException)
        std::rethrow_exception(std::exchange(pendingException, nullptr));
}

template <typename Action> void guarded(Action action) {
    try {
        action();
    } catch (...) {
        if (!pendingException)
            pendingException = std::current_exception();
    }
}

HWND native(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle handle(HWND window) { return reinterpret_cast<WindowHandle>(window); }
HDC native(DeviceContext context) { return reinterpret_cast<HDC>(context); }
HBITMAP native(BitmapHandle bitmap) { return reinterpret_cast<HBITMAP>(bitmap); }

LRESULT CALLBACK elementSubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                     UINT_PTR, DWORD_PTR reference) {
    WindowElement &element = *reinterpret_cast<WindowElement *>(reference);
    switch (message) {
    case WM_SETFOCUS:
        guarded([&] { element.handleCommand(WindowElement::FocusCode); });
        break;
    case WM_KEYUP:
        if (wparam == VK_RETURN)
            guarded([&] { element.handleCommand(WindowElement::ReturnCode); });
        break;
    case WM_COMMAND:
        guarded([&] {
            WindowElement::routeCommand(handle(reinterpret_cast<HWND>(lparam)),
                                        static_cast<int>(wparam));
        });
        return 0;
    case WM_NOTIFY:
        guarded([&] {
            const auto *header = reinterpret_cast<const NMHDR *>(lparam);
            WindowElement::routeCommand(handle(header->hwndFrom), static_cast<int>(header->code));
        });
        return 0;
    case WM_CTLCOLORSTATIC:
        SetBkMode(reinterpret_cast<HDC>(wparam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    case WM_ERASEBKGND:
        if (element.eraseBackground(reinterpret_cast<DeviceContext>(wparam)))
            return 1;
        break;
    }
    return DefSubclassProc(window, message, wparam, lparam);
}

BOOL CALLBACK fitBackgroundOnResize(HWND child, LPARAM lparam) {
    const RECT &client = *reinterpret_cast<const RECT *>(lparam);
    if (GetDlgCtrlID(child) == BackgroundChildId)
        MoveWindow(child, client.left, client.top, client.right, client.bottom, TRUE);
    return TRUE;
}

void paintLogo(HWND window) {
    PAINTSTRUCT paint;
    HDC target = BeginPaint(window, &paint);
    const auto logo = native(mainCallbacks.logo ? mainCallbacks.logo() : nullptr);
    if (logo) {
        HDC memory = CreateCompatibleDC(target);
        HGDIOBJ previous = SelectObject(memory, logo);
        BITMAP size{};
        GetObjectW(logo, sizeof size, &size);
        BitBlt(target, 0, 0, size.bmWidth, size.bmHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
    EndPaint(window, &paint);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        guarded([] {
            if (mainCallbacks.destroyed)
                mainCallbacks.destroyed();
        });
        return 0;
    case WM_SIZE: {
        RECT client{};
        GetClientRect(window, &client);
        EnumChildWindows(window, fitBackgroundOnResize, reinterpret_cast<LPARAM>(&client));
        return 0;
    }
    case WM_PAINT:
        guarded([&] { paintLogo(window); });
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

} // namespace

WindowHandle createControl(const wchar_t *className, std::uint32_t extendedStyle,
                           std::uint32_t style, WindowHandle parent) {
    return handle(CreateWindowExW(extendedStyle, className, L"", style, 0, 0, 0, 0, native(parent),
                                  nullptr, nullptr, nullptr));
}

void setParent(WindowHandle child, WindowHandle parent) {
    SetParent(native(child), native(parent));
}

void setWindowText(WindowHandle window, const std::string &text) {
    SetWindowTextA(native(window), text.c_str());
    rethrowPending();
}

int getWindowText(WindowHandle window, char *buffer, int size) {
    if (size <= 0)
        return 0;
    buffer[0] = '\0';
    return GetWindowTextA(native(window), buffer, size);
}

void setWindowPosition(WindowHandle window, int x, int y, int width, int height) {
    SetWindowPos(native(window), nullptr, x, y, width, height, SWP_NOZORDER);
    rethrowPending();
}

void moveWindow(WindowHandle window, int x, int y) {
    SetWindowPos(native(window), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    rethrowPending();
}

bool getScreenRect(WindowHandle window, WindowRect &rect) {
    RECT screen{};
    if (!GetWindowRect(native(window), &screen))
        return false;
    rect = {screen.left, screen.top, screen.right, screen.bottom};
    return true;
}

bool getDesktopRect(WindowRect &rect) { return getScreenRect(handle(GetDesktopWindow()), rect); }

WindowElement *getUserData(WindowHandle window) {
    return reinterpret_cast<WindowElement *>(GetWindowLongPtrW(native(window), GWLP_USERDATA));
}

void setUserData(WindowHandle window, WindowElement *element) {
    SetWindowLongPtrW(native(window), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(element));
}

void setControlId(WindowHandle window, int id) { SetWindowLongW(native(window), GWL_ID, id); }

std::uint32_t getStyle(WindowHandle window) {
    return static_cast<std::uint32_t>(GetWindowLongW(native(window), GWL_STYLE));
}

void setStyle(WindowHandle window, std::uint32_t style) {
    SetWindowLongW(native(window), GWL_STYLE, static_cast<LONG>(style));
}

void showWindow(WindowHandle window, int showCommand) {
    ShowWindow(native(window), showCommand);
    rethrowPending();
}

void invalidate(WindowHandle window, const WindowRect *area) {
    if (!area) {
        InvalidateRect(native(window), nullptr, TRUE);
        return;
    }
    const RECT rect{area->left, area->top, area->right, area->bottom};
    InvalidateRect(native(window), &rect, TRUE);
}

void updateWindow(WindowHandle window) {
    UpdateWindow(native(window));
    rethrowPending();
}

FontHandle createFont(const FontParameters &parameters) {
    return reinterpret_cast<FontHandle>(CreateFontA(
        parameters.height, 0, 0, 0, parameters.weight, parameters.italic, parameters.underline,
        parameters.strikeOut, ANSI_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, parameters.face.c_str()));
}

void setFont(WindowHandle window, FontHandle font) {
    SendMessageW(native(window), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void installElementSubclass(WindowHandle window, WindowElement &element) {
    SetWindowSubclass(native(window), elementSubclassProc, ElementSubclassId,
                      reinterpret_cast<DWORD_PTR>(&element));
}

void removeElementSubclass(WindowHandle window, const WindowElement &element) {
    DWORD_PTR reference = 0;
    if (GetWindowSubclass(native(window), elementSubclassProc, ElementSubclassId, &reference) &&
        reference == reinterpret_cast<DWORD_PTR>(&element))
        RemoveWindowSubclass(native(window), elementSubclassProc, ElementSubclassId);
}

BitmapHandle captureParentPixels(WindowHandle parent, int left, int top, int width, int height) {
    HDC source = GetDC(native(parent));
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateCompatibleBitmap(source, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, left, top, SRCCOPY);
    SelectObject(memory, previous);
    ReleaseDC(native(parent), source);
    DeleteDC(memory);
    return reinterpret_cast<BitmapHandle>(bitmap);
}

void drawBitmap(DeviceContext context, BitmapHandle bitmap, int width, int height) {
    HDC memory = CreateCompatibleDC(native(context));
    HGDIOBJ previous = SelectObject(memory, native(bitmap));
    BitBlt(native(context), 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

void setCheck(WindowHandle window, int state) {
    SendMessageW(native(window), BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

int getCheck(WindowHandle window) {
    return static_cast<int>(SendMessageW(native(window), BM_GETCHECK, 0, 0));
}

void setProgressRange(WindowHandle window, int low, int high) {
    SendMessageW(native(window), PBM_SETRANGE32, static_cast<WPARAM>(low), high);
}

void setProgressPosition(WindowHandle window, int position) {
    SendMessageW(native(window), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void setProgressMarquee(WindowHandle window, bool on, int interval) {
    SendMessageW(native(window), PBM_SETMARQUEE, on ? TRUE : FALSE, interval);
}

bool initCommonControls() {
    INITCOMMONCONTROLSEX classes{sizeof classes, CommonControlClasses};
    return InitCommonControlsEx(&classes) != FALSE;
}

bool registerMainWindowClass(const MainWindowCallbacks &callbacks) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IconResource));
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hIconSm = icon;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = MainWindowClass;
    if (!RegisterClassExW(&windowClass))
        return false;
    mainCallbacks = callbacks;
    return true;
}

WindowHandle createMainWindow() {
    return handle(CreateWindowExW(WS_EX_CONTROLPARENT, MainWindowClass, MainWindowTitle,
                                  WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                                  CW_USEDEFAULT, WindowSize, WindowSize, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr));
}

WindowHandle createBackgroundChild(WindowHandle mainWindow) {
    HWND child =
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, WindowSize, WindowSize,
                        native(mainWindow), nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongW(child, GWL_ID, BackgroundChildId);
    return handle(child);
}

bool pumpOneMessage(WindowHandle dialogWindow) {
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        return false;
    IsDialogMessageW(native(dialogWindow), &message);
    rethrowPending();
    return true;
}

void sleepOneMillisecond() { Sleep(1); }

BitmapHandle loadBitmapFile(const std::string &path) {
    return reinterpret_cast<BitmapHandle>(
        LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

} // namespace Kestrel::Platform
