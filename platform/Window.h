// Native windows, controls, fonts and bitmaps behind the launcher's user interface. Handles are
// opaque; windows, fonts and bitmaps made here live until the process ends. No call throws of its
// own, but an exception thrown by an element's signal handler while a call makes the system send
// messages leaves through that call (never through the system's frames). A failed native call is
// not reported unless the contract says so.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace Kestrel {
class WindowElement;
}

namespace Kestrel::Platform {

struct NativeWindow;
struct NativeFont;
struct NativeBitmap;
struct NativeDeviceContext;
// Opaque handles; null means none.
using WindowHandle = NativeWindow *;
using FontHandle = NativeFont *;
using BitmapHandle = NativeBitmap *;
using DeviceContext = NativeDeviceContext *;

// Edges in pixels: a child's in its parent's client coordinates, a top-level window's on screen.
struct WindowRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// The parameters of a font made with createFont.
struct FontParameters {
    int height = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::string face;
};

// Show commands of showWindow.
constexpr int ShowHide = 0;
constexpr int ShowNormal = 1;
constexpr int ShowShow = 5;

// Check states of a check box.
constexpr int CheckUnchecked = 0;
constexpr int CheckChecked = 1;

// Window text and control id of the main window's background child.
constexpr int BackgroundChildId = 256;
// The dialog id of the OK button, which the dialog-message routine presses on Enter.
constexpr int DialogOkId = 1;

// ---- Controls and their elements ----

// Creates a hidden child control of class (a wide window class name) under parent at 0,0 with
// size 0 x 0, no id, no menu. Null when the system refuses.
WindowHandle createControl(const wchar_t *className, std::uint32_t extendedStyle,
                           std::uint32_t style, WindowHandle parent);
// Re-parents child under parent.
void setParent(WindowHandle child, WindowHandle parent);
// Sets the window text from a narrow text (in the system's code page).
void setWindowText(WindowHandle window, const std::string &text);
// Copies at most size - 1 bytes of the window text and a terminating zero into buffer (size > 0);
// returns the number of bytes copied, 0 when the window has no text or does not exist.
int getWindowText(WindowHandle window, char *buffer, int size);
// Moves and sizes window without changing its place in the Z order.
void setWindowPosition(WindowHandle window, int x, int y, int width, int height);
// Moves window without sizing it or changing its place in the Z order.
void moveWindow(WindowHandle window, int x, int y);
// The window's rectangle on screen; false (rect untouched) when the window does not exist.
bool getScreenRect(WindowHandle window, WindowRect &rect);
// The desktop's rectangle; false when it cannot be read.
bool getDesktopRect(WindowRect &rect);
// The element stored in the window's user-data slot, or null.
WindowElement *getUserData(WindowHandle window);
void setUserData(WindowHandle window, WindowElement *element);
// Sets the control id (the low word of command messages from the control).
void setControlId(WindowHandle window, int id);
// The plain window style, and replacing it (the frame is not recomputed until the window moves).
std::uint32_t getStyle(WindowHandle window);
void setStyle(WindowHandle window, std::uint32_t style);
// Shows or hides the window with one of the show commands above.
void showWindow(WindowHandle window, int showCommand);
// Marks area of window (its whole client area when null) for redrawing with erasing.
void invalidate(WindowHandle window, const WindowRect *area);
// Paints what is marked for redrawing now.
void updateWindow(WindowHandle window);

// Makes a font; null when the system refuses. The font is never released.
FontHandle createFont(const FontParameters &parameters);
// Gives window the font, redrawing it.
void setFont(WindowHandle window, FontHandle font);

// Installs the element subclass (id 1) on window with element as reference data: focus gained
// reaches element.handleCommand(-7), a released Return key handleCommand(-4), commands and
// notifications of child controls go to their own elements (WindowElement::routeCommand),
// static controls draw transparently and erasing goes to element.eraseBackground.
void installElementSubclass(WindowHandle window, WindowElement &element);
// Removes the element subclass from window when it is installed for element.
void removeElementSubclass(WindowHandle window, const WindowElement &element);

// Copies width x height pixels of parent's client area from (left, top) into a new bitmap; null
// when the system refuses. The bitmap is never released.
BitmapHandle captureParentPixels(WindowHandle parent, int left, int top, int width, int height);
// Copies width x height pixels from the bitmap's origin to the origin of context.
void drawBitmap(DeviceContext context, BitmapHandle bitmap, int width, int height);

// Check boxes: sets the check state, reads it (one of the check states above).
void setCheck(WindowHandle window, int state);
int getCheck(WindowHandle window);

// Progress bars: the range message, the position message, and the marquee message with its
// animation interval in milliseconds (0 means the control's default).
void setProgressRange(WindowHandle window, int low, int high);
void setProgressPosition(WindowHandle window, int position);
void setProgressMarquee(WindowHandle window, bool on, int interval);

// ---- The main window and the message pump ----

// What the main window procedure calls back into.
struct MainWindowCallbacks {
    // After the window is destroyed (the quit message is posted already).
    std::function<void()> destroyed;
    // The bitmap to paint at 0,0 of the client area, or null for nothing.
    std::function<BitmapHandle()> logo;
};

// Initialises the common controls (standard classes and progress bars); false when refused.
bool initCommonControls();
// Registers the main window class "BrightwellLauncher" with callbacks; false when refused
// ("Failed to register window class!").
bool registerMainWindowClass(const MainWindowCallbacks &callbacks);
// Creates the main window of the registered class: title "Brightwell Launcher", fixed size
// 400 x 400, no maximise or sizing border, not yet visible. Null when refused.
WindowHandle createMainWindow();
// Creates the background "STATIC" child of the main window (visible, no text, 0,0 and 400 x 400)
// and sets its control id to 256. Null when refused.
WindowHandle createBackgroundChild(WindowHandle mainWindow);
// Centres the 400 x 400 window on the desktop: x = (left + right) / 2 - 200, y likewise. Leaves
// the window where it is when the desktop rectangle cannot be read.
void centreOnDesktop(WindowHandle window);
// Takes at most one waiting message of any window and hands it to the dialog-message routine of
// dialogWindow (which dispatches it, so Tab and Enter move between and press controls). Returns
// whether a message was waiting. Exceptions thrown by handlers propagate.
bool pumpOneMessage(WindowHandle dialogWindow);
// Sleeps one millisecond.
void sleepOneMillisecond();

// Loads a bitmap file (a Windows BMP); null when it does not load. Never released.
BitmapHandle loadBitmapFile(const std::string &path);

} // namespace Kestrel::Platform
