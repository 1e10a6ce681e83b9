// What the window system holds for a window, read back through the system's own queries, and
// the user's side of the controls: the same calls over real Windows controls and in memory.
#pragma once

#include "platform/Window.h"

#include <cstdint>
#include <string>
#include <utility>

namespace UiTesting {

using Kestrel::Platform::WindowHandle;
using Kestrel::Platform::WindowRect;

struct FontFacts {
    bool present = false;
    Kestrel::Platform::FontParameters parameters;
};

// The class and styles the window was created with, as the creator passed them. Windows sets
// or clears the window-edge extended style (0x100) itself, so compare without it.
struct Creation {
    std::wstring className;
    std::uint32_t extendedStyle = 0;
    std::uint32_t style = 0;
};
Creation creationOf(WindowHandle window);
constexpr std::uint32_t WindowEdge = 0x100;
// The current plain style without the visibility bit, which visible() reports.
std::uint32_t style(WindowHandle window);
bool visible(WindowHandle window);
std::string text(WindowHandle window);
// In the parent's client coordinates; on screen for a top-level window.
WindowRect placement(WindowHandle window);
WindowHandle parentOf(WindowHandle window);
int controlId(WindowHandle window);
FontFacts fontOf(WindowHandle window);
int checkState(WindowHandle window);
// Low and high end of a progress bar's range, and its position.
std::pair<int, int> progressRange(WindowHandle window);
int progressPosition(WindowHandle window);
// How many range messages the window received since it was made.
int rangeMessages(WindowHandle window);

// A mouse click on a button or check box.
void click(WindowHandle window);
// Characters typed into an edit field that has the focus.
void typeText(WindowHandle window, const std::string &characters);
// Return pressed in window (which takes the focus first), and released in the focused window:
// each key event is pumped through the main loop's pump and its dialog-message routine.
void returnKeyDown(WindowHandle window);
void returnKeyUp(WindowHandle window);
void focus(WindowHandle window);
// A command (word parameter wparam) or a notification from source reaching the main window.
void command(WindowHandle mainWindow, WindowHandle source, int wparam);
void notify(WindowHandle mainWindow, WindowHandle source, int code);
// Destroys a top-level window and its children.
void destroy(WindowHandle window);

} // namespace UiTesting
