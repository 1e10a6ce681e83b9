// The element over one native window: the launcher's main window or one of its child controls.
// It carries the text, rectangle and font read from the configuration and turns the window's
// messages into signals. Native windows, fonts and cached bitmaps outlive their elements.
#pragma once

#include "platform/Window.h"
#include "ui/sigslot.h"

#include <string>

namespace Cobalt {
class InputArchive;
}

namespace Kestrel {

class WindowElement {
public:
    // Enter released in the element's window, or a return notification (code -4).
    sigslot::signal0<sigslot::multi_threaded_local> returnPressed;
    // The element's window gained the keyboard focus, or a set-focus notification (code -7).
    sigslot::signal0<sigslot::multi_threaded_local> focusGained;

    // Command codes the element subclass makes of window messages.
    static constexpr int ReturnCode = -4;
    static constexpr int FocusCode = -7;

    // No window, text, font or parent; rectangle zero.
    WindowElement();
    // Adopts an existing window (the main window) and its current screen rectangle.
    explicit WindowElement(Platform::WindowHandle window);
    // Leaves the native window, font and cached bitmap alive, but detaches the window from the
    // element (user data and subclass), so later messages cannot reach a destroyed element.
    virtual ~WindowElement();
    WindowElement(const WindowElement &) = delete;
    WindowElement &operator=(const WindowElement &) = delete;

    // Applies text, rectangle, user data, font and subclass to the window, then hides it. The
    // controls first create their native control when there is none.
    virtual void create();
    // Reads "text", "position", "size" and "customFont" from the current node; each missing
    // value keeps the field as it was. Always true.
    virtual bool load(Cobalt::InputArchive &archive);
    // -4 emits returnPressed, -7 focusGained; controls add their notifications. Others ignored.
    virtual void handleCommand(int code);

    // Stores text, sets it as the window text and redraws the parent's area under the element.
    void setText(const std::string &newText);
    void show();
    void hide();
    // Invalidates area of the element's window (all of it when null) with erasing and updates it.
    void redrawArea(const Platform::WindowRect *area);

    Platform::WindowHandle getWindow() const { return window; }
    const Platform::WindowRect &getRect() const { return rect; }
    const std::string &getText() const { return text; }
    WindowElement *getParent() const { return parent; }
    Platform::FontHandle getFont() const { return font; }

    // Hands a command or notification from source to the element in source's user data; a window
    // without element is ignored.
    static void routeCommand(Platform::WindowHandle source, int code);
    // Erases the element's background from the cache of its parent's pixels (captured on the
    // first pass, drawn on later ones). False when the element has no parent, so the window's
    // default erasing applies.
    bool eraseBackground(Platform::DeviceContext context);

protected:
    // The parent's window, null without parent (controls create their window under it).
    Platform::WindowHandle parentWindow() const;
    // Moves and sizes the window to the element's rectangle.
    void placeAtRect();
    // Takes over a newly created native window.
    void adoptWindow(Platform::WindowHandle created) { window = created; }
    // Records text read back from the window, without touching the window.
    void storeText(const std::string &newText) { text = newText; }

private:
    friend bool loadChildElement(WindowElement &child, const std::string &name,
                                 Cobalt::InputArchive &archive, WindowElement *parent);

    void attachTo(WindowElement *newParent);
    void loadFont(Cobalt::InputArchive &archive);
    void redrawUnderneath();

    std::string text;
    Platform::FontHandle font = nullptr;
    Platform::WindowRect rect;
    WindowElement *parent = nullptr;
    Platform::WindowHandle window = nullptr;
    Platform::BitmapHandle backgroundCache = nullptr;
};

// Makes child from archive's child node name under parent: enters the node (false and nothing
// created when it is missing), attaches the child, loads and creates it, and leaves the node.
bool loadChildElement(WindowElement &child, const std::string &name, Cobalt::InputArchive &archive,
                      WindowElement *parent);

} // namespace Kestrel
