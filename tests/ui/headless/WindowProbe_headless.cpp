// The window probe over the in-memory window layer.
#include "tests/ui/WindowProbe.h"

#include "platform/headless/HeadlessWindows.h"
#include "ui/WindowElement.h"

#include <gtest/gtest.h>

namespace UiTesting {

namespace Headless = Kestrel::Platform::Headless;

namespace {

constexpr std::uint32_t VisibleStyle = 0x10000000;

void pumpWaitingInput() {
    while (Kestrel::Platform::pumpOneMessage(nullptr)) {
    }
}

} // namespace

Creation creationOf(WindowHandle window) {
    return {window->className, window->extendedStyle, window->createdStyle};
}
std::uint32_t style(WindowHandle window) { return window->style & ~VisibleStyle; }
bool visible(WindowHandle window) { return (window->style & VisibleStyle) != 0; }
std::string text(WindowHandle window) { return window->text; }
WindowRect placement(WindowHandle window) { return window->rect; }
WindowHandle parentOf(WindowHandle window) { return window->parent; }
int controlId(WindowHandle window) { return window->id; }

FontFacts fontOf(WindowHandle window) {
    if (!window->font)
        return {};
    return {true, window->font->parameters};
}

int checkState(WindowHandle window) { return window->check; }
std::pair<int, int> progressRange(WindowHandle window) {
    return {window->rangeLow, window->rangeHigh};
}
int progressPosition(WindowHandle window) { return window->position; }
int rangeMessages(WindowHandle window) { return window->rangeMessages; }

void click(WindowHandle window) { ASSERT_TRUE(Headless::click(window)); }
void typeText(WindowHandle window, const std::string &characters) {
    ASSERT_TRUE(Headless::typeText(window, characters));
}
// Key events wait in the input queue until the main loop's pump takes them.
void returnKeyDown(WindowHandle window) {
    Headless::post([window] { EXPECT_TRUE(Headless::pressReturn(window)); });
    pumpWaitingInput();
}

void returnKeyUp(WindowHandle) {
    Headless::post([] { EXPECT_TRUE(Headless::releaseReturn()); });
    pumpWaitingInput();
}

void focus(WindowHandle window) { ASSERT_TRUE(Headless::setFocus(window)); }

// What the element subclass of the main window does with commands and notifications.
void command(WindowHandle mainWindow, WindowHandle source, int wparam) {
    if (mainWindow->subclass)
        Kestrel::WindowElement::routeCommand(source, wparam);
}

void notify(WindowHandle mainWindow, WindowHandle source, int code) {
    command(mainWindow, source, code);
}

void destroy(WindowHandle window) { Headless::close(window); }

} // namespace UiTesting
