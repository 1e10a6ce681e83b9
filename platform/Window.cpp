// The parts of the window layer that are the same on every platform.
#include "platform/Window.h"

namespace Kestrel::Platform {

namespace {

constexpr int HalfWindowSize = 200;

} // namespace

void centreOnDesktop(WindowHandle window) {
    WindowRect desktop;
    if (!getDesktopRect(desktop))
        return;
    // Integer halves of the sums, rounding toward zero.
    moveWindow(window, (desktop.left + desktop.right) / 2 - HalfWindowSize,
               (desktop.top + desktop.bottom) / 2 - HalfWindowSize);
}

} // namespace Kestrel::Platform
