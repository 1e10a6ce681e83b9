// The in-memory window layer of builds without a window system: what each window records, and
// the user's side (clicks, typing, Return, focus, closing) for tests and the headless launcher.
// Input produces the command codes that Windows controls send to their parent, so the elements
// react exactly as they do over real controls. Windows are never freed; a destroyed window
// ignores every later call.
#pragma once

#include "platform/Window.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Kestrel::Platform {

struct NativeFont {
    FontParameters parameters;
};

struct NativeBitmap {
    // A file's bitmap: its path and size. A captured background: its source window and area.
    std::string path;
    int width = 0;
    int height = 0;
    WindowHandle capturedFrom = nullptr;
    WindowRect capturedArea;
};

struct NativeDeviceContext {
    NativeWindow *window = nullptr;
};

struct NativeWindow {
    std::wstring className;
    std::uint32_t extendedStyle = 0;
    std::uint32_t style = 0; // WS_VISIBLE (0x10000000) follows showWindow, as on Windows
    std::uint32_t createdStyle = 0;
    // The style the control draws with: a changed style counts once the window is placed again.
    std::uint32_t drawnStyle = 0;
    std::string text;
    WindowRect rect; // in the parent's client coordinates; on screen for top-level windows
    NativeWindow *parent = nullptr;
    bool destroyed = false;
    FontHandle font = nullptr;
    WindowElement *userData = nullptr;
    int id = 0;
    int check = 0;
    int rangeLow = 0;
    int rangeHigh = 100;
    int rangeMessages = 0;
    int position = 0;
    bool marquee = false;
    int marqueeInterval = 0;
    WindowElement *subclass = nullptr;
    bool updatePending = false;
    int backgroundDraws = 0;
    BitmapHandle lastDrawnBackground = nullptr;
    BitmapHandle paintedLogo = nullptr; // main window: the bitmap of the last paint
    NativeDeviceContext context{this};
};

namespace Headless {

// Every window made so far, in creation order, destroyed ones included.
std::vector<WindowHandle> windows();
// The first live window of className whose text is text; null when there is none.
WindowHandle findWindow(const std::wstring &className, const std::string &text);
// Whether the window and all its ancestors are shown (and alive).
bool isVisible(WindowHandle window);
WindowHandle focusedWindow();

// Moves the keyboard focus: an edit field losing it sends EN_KILLFOCUS, the window gaining it
// reports focus to its element subclass (-7), an edit field gaining it sends EN_SETFOCUS.
// False (nothing happens) when the window is not alive.
bool setFocus(WindowHandle window);
// A mouse click: focus to the window, an automatic check box toggles, then BN_CLICKED. False
// (nothing happens) when the window is not visible or has no extent.
bool click(WindowHandle window);
// Types text into an edit field, one character at a time after taking the focus; each
// character sends EN_UPDATE and EN_CHANGE. False when it is no visible edit field.
bool typeText(WindowHandle edit, const std::string &text);
// Return pressed in the window (which takes the focus first), with the main loop's
// dialog-message routine in place: it sends BN_CLICKED with the id and handle of the focused
// default push button, else of the top-level window's child with the OK id (none: a null
// source). False when the window is not visible.
bool pressReturn(WindowHandle window);
// Return released in the focused window: its element subclass hears it (-4). False when no
// visible window has the focus.
bool releaseReturn();
// The user closes a top-level window: it and its children are destroyed, and a main window
// reports it to its destroyed callback.
void close(WindowHandle window);

// Queues input for pumpOneMessage, which runs one queued input per call.
void post(std::function<void()> input);
std::size_t pendingInputs();

// The desktop rectangle getDesktopRect reports; null makes it unreadable. 0,0,1024,768 at first.
void setDesktop(const WindowRect *desktop);

struct BitmapLoad {
    std::string path;
    bool loaded = false;
};
// Every loadBitmapFile call, in order.
const std::vector<BitmapLoad> &bitmapLoads();

bool commonControlsInitialised();
// Forgets the main window class, so that a test may register it again.
void resetMainWindowClass();
// Makes createMainWindow fail, as it does when the system is out of resources, until called
// again with false.
void setMainWindowCreationFails(bool fails);

} // namespace Headless
} // namespace Kestrel::Platform
