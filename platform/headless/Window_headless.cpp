// The in-memory window layer: records what Windows would hold per window and plays the user's
// input back as the messages Windows controls send.
#include "platform/headless/HeadlessWindows.h"

#include "ui/WindowElement.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <memory>
#include <thread>

namespace Kestrel::Platform {

namespace {

constexpr std::uint32_t ChildStyle = 0x40000000;
constexpr std::uint32_t VisibleStyle = 0x10000000;
constexpr std::uint32_t ButtonTypeMask = 0xF;
constexpr std::uint32_t DefaultPushButton = 0x1;
constexpr std::uint32_t AutoCheckBox = 0x3;
constexpr std::uint32_t ClickedNotification = 0;
constexpr std::uint32_t SetFocusNotification = 0x100;
constexpr std::uint32_t KillFocusNotification = 0x200;
constexpr std::uint32_t ChangeNotification = 0x300;
constexpr std::uint32_t UpdateNotification = 0x400;
constexpr int WindowSize = 400;
// A bitmap file starts with "BM"; its width and height are 32-bit fields at these offsets.
constexpr std::size_t BitmapWidthOffset = 18;
constexpr std::size_t BitmapHeaderSize = 26;

const wchar_t *const MainWindowClass = L"BrightwellLauncher";

struct Registry {
    std::vector<std::unique_ptr<NativeWindow>> windows;
    std::vector<std::unique_ptr<NativeFont>> fonts;
    std::vector<std::unique_ptr<NativeBitmap>> bitmaps;
    std::vector<Headless::BitmapLoad> bitmapLoads;
    std::deque<std::function<void()>> inputs;
    NativeWindow *focus = nullptr;
    bool desktopReadable = true;
    WindowRect desktop{0, 0, 1024, 768};
    bool classRegistered = false;
    bool mainWindowFails = false;
    MainWindowCallbacks callbacks;
    bool commonControls = false;
};

Registry &registry() {
    static Registry instance;
    return instance;
}

bool alive(WindowHandle window) { return window && !window->destroyed; }

bool hasClass(const NativeWindow &window, const wchar_t *className) {
    return window.className == className;
}

bool isEdit(const NativeWindow &window) { return hasClass(window, L"EDIT"); }

NativeWindow *newWindow(const wchar_t *className, std::uint32_t extendedStyle, std::uint32_t style,
                        NativeWindow *parent) {
    auto window = std::make_unique<NativeWindow>();
    window->className = className;
    window->extendedStyle = extendedStyle;
    window->style = style;
    window->createdStyle = style;
    window->drawnStyle = style;
    window->parent = parent;
    registry().windows.push_back(std::move(window));
    return registry().windows.back().get();
}

NativeWindow &topLevel(NativeWindow &window) {
    NativeWindow *top = &window;
    while (top->parent)
        top = top->parent;
    return *top;
}

// WM_COMMAND to the control's parent: only an element subclass there acts on it; the main
// window procedure ignores commands.
void notifyParent(NativeWindow &control, std::uint32_t notification) {
    if (!alive(control.parent) || !control.parent->subclass)
        return;
    const auto code = static_cast<int>(notification << 16 | (control.id & 0xFFFF));
    WindowElement::routeCommand(&control, code);
}

// The dialog-message routine's Return: the focused default push button, else the OK button.
void dialogReturn(NativeWindow &focused) {
    NativeWindow &dialog = topLevel(focused);
    const bool focusedDefault =
        hasClass(focused, L"BUTTON") && (focused.style & ButtonTypeMask) == DefaultPushButton;
    NativeWindow *target = focusedDefault ? &focused : nullptr;
    const int id = target ? target->id : DialogOkId;
    if (!target)
        for (const auto &window : registry().windows)
            if (!target && alive(window.get()) && window->parent == &dialog &&
                window->id == DialogOkId)
                target = window.get();
    if (dialog.subclass)
        WindowElement::routeCommand(target, static_cast<int>(ClickedNotification << 16 | id));
}

void destroyTree(NativeWindow &window) {
    window.destroyed = true;
    window.style &= ~VisibleStyle;
    if (registry().focus == &window)
        registry().focus = nullptr;
    for (const auto &child : registry().windows)
        if (child->parent == &window && !child->destroyed)
            destroyTree(*child);
}

void paint(NativeWindow &window) {
    window.updatePending = false;
    if (window.subclass)
        window.subclass->eraseBackground(&window.context);
    if (hasClass(window, MainWindowClass))
        window.paintedLogo = registry().callbacks.logo ? registry().callbacks.logo() : nullptr;
}

} // namespace

WindowHandle createControl(const wchar_t *className, std::uint32_t extendedStyle,
                           std::uint32_t style, WindowHandle parent) {
    // Windows refuses a child window without a parent.
    if ((style & ChildStyle) && !alive(parent))
        return nullptr;
    return newWindow(className, extendedStyle, style, parent);
}

void setParent(WindowHandle child, WindowHandle parent) {
    if (alive(child))
        child->parent = parent;
}

void setWindowText(WindowHandle window, const std::string &text) {
    if (!alive(window))
        return;
    window->text = text;
    // A one-line edit field reports text set from outside as a change.
    if (isEdit(*window)) {
        notifyParent(*window, UpdateNotification);
        notifyParent(*window, ChangeNotification);
    }
}

int getWindowText(WindowHandle window, char *buffer, int size) {
    if (size <= 0)
        return 0;
    const std::size_t length =
        alive(window) ? std::min(window->text.size(), static_cast<std::size_t>(size - 1)) : 0;
    std::copy_n(alive(window) ? window->text.data() : "", length, buffer);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

void setWindowPosition(WindowHandle window, int x, int y, int width, int height) {
    if (!alive(window))
        return;
    window->rect = {x, y, x + width, y + height};
    window->drawnStyle = window->style;
}

void moveWindow(WindowHandle window, int x, int y) {
    if (!alive(window))
        return;
    const WindowRect &old = window->rect;
    window->rect = {x, y, x + (old.right - old.left), y + (old.bottom - old.top)};
}

bool getScreenRect(WindowHandle window, WindowRect &rect) {
    if (!alive(window))
        return false;
    rect = window->rect;
    for (const NativeWindow *parent = window->parent; parent; parent = parent->parent) {
        rect.left += parent->rect.left;
        rect.right += parent->rect.left;
        rect.top += parent->rect.top;
        rect.bottom += parent->rect.top;
    }
    return true;
}

bool getDesktopRect(WindowRect &rect) {
    if (registry().desktopReadable)
        rect = registry().desktop;
    return registry().desktopReadable;
}

WindowElement *getUserData(WindowHandle window) {
    return alive(window) ? window->userData : nullptr;
}

void setUserData(WindowHandle window, WindowElement *element) {
    if (alive(window))
        window->userData = element;
}

void setControlId(WindowHandle window, int id) {
    if (alive(window))
        window->id = id;
}

std::uint32_t getStyle(WindowHandle window) { return alive(window) ? window->style : 0; }

void setStyle(WindowHandle window, std::uint32_t style) {
    if (alive(window))
        window->style = style;
}

void showWindow(WindowHandle window, int showCommand) {
    if (!alive(window))
        return;
    if (showCommand == ShowHide) {
        window->style &= ~VisibleStyle;
        return;
    }
    window->style |= VisibleStyle;
    window->updatePending = true;
}

void invalidate(WindowHandle window, const WindowRect *) {
    // Hidden windows keep no update region; showing one marks all of it.
    if (Headless::isVisible(window))
        window->updatePending = true;
}

// Like Windows, updating a window paints its children that wait for it too.
void updateWindow(WindowHandle window) {
    if (!Headless::isVisible(window))
        return;
    if (window->updatePending)
        paint(*window);
    for (std::size_t i = 0; i < registry().windows.size(); ++i)
        if (registry().windows[i]->parent == window)
            updateWindow(registry().windows[i].get());
}

FontHandle createFont(const FontParameters &parameters) {
    registry().fonts.push_back(std::make_unique<NativeFont>(NativeFont{parameters}));
    return registry().fonts.back().get();
}

void setFont(WindowHandle window, FontHandle font) {
    if (alive(window))
        window->font = font;
}

void installElementSubclass(WindowHandle window, WindowElement &element) {
    if (alive(window))
        window->subclass = &element;
}

void removeElementSubclass(WindowHandle window, const WindowElement &element) {
    if (alive(window) && window->subclass == &element)
        window->subclass = nullptr;
}

BitmapHandle captureParentPixels(WindowHandle parent, int left, int top, int width, int height) {
    if (!alive(parent))
        return nullptr;
    auto bitmap = std::make_unique<NativeBitmap>();
    bitmap->width = width;
    bitmap->height = height;
    bitmap->capturedFrom = parent;
    bitmap->capturedArea = {left, top, left + width, top + height};
    registry().bitmaps.push_back(std::move(bitmap));
    return registry().bitmaps.back().get();
}

void drawBitmap(DeviceContext context, BitmapHandle bitmap, int, int) {
    if (!context || !alive(context->window))
        return;
    context->window->backgroundDraws++;
    context->window->lastDrawnBackground = bitmap;
}

void setCheck(WindowHandle window, int state) {
    if (alive(window))
        window->check = state;
}

int getCheck(WindowHandle window) { return alive(window) ? window->check : 0; }

// The control keeps its position inside its range, as the Windows progress bar does.
void setProgressRange(WindowHandle window, int low, int high) {
    if (!alive(window))
        return;
    window->rangeLow = low;
    window->rangeHigh = high;
    window->rangeMessages++;
    window->position = std::clamp(window->position, low, std::max(low, high));
}

void setProgressPosition(WindowHandle window, int position) {
    if (alive(window))
        window->position =
            std::clamp(position, window->rangeLow, std::max(window->rangeLow, window->rangeHigh));
}

void setProgressMarquee(WindowHandle window, bool on, int interval) {
    if (!alive(window))
        return;
    window->marquee = on;
    window->marqueeInterval = interval;
}

bool initCommonControls() {
    registry().commonControls = true;
    return true;
}

bool registerMainWindowClass(const MainWindowCallbacks &callbacks) {
    // Like Windows, a class registers once per process.
    if (registry().classRegistered)
        return false;
    registry().classRegistered = true;
    registry().callbacks = callbacks;
    return true;
}

WindowHandle createMainWindow() {
    if (!registry().classRegistered || registry().mainWindowFails)
        return nullptr;
    NativeWindow *window = newWindow(MainWindowClass, 0x10000, 0xCA0000, nullptr);
    window->text = "Brightwell Launcher";
    window->rect = {0, 0, WindowSize, WindowSize};
    return window;
}

WindowHandle createBackgroundChild(WindowHandle mainWindow) {
    WindowHandle child = createControl(L"STATIC", 0, ChildStyle | VisibleStyle, mainWindow);
    setWindowPosition(child, 0, 0, WindowSize, WindowSize);
    setControlId(child, BackgroundChildId);
    return child;
}

bool pumpOneMessage(WindowHandle) {
    auto &inputs = registry().inputs;
    if (inputs.empty())
        return false;
    const std::function<void()> input = std::move(inputs.front());
    inputs.pop_front();
    input();
    return true;
}

void sleepOneMillisecond() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

BitmapHandle loadBitmapFile(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    unsigned char header[BitmapHeaderSize] = {};
    file.read(reinterpret_cast<char *>(header), sizeof header);
    const bool loaded = file.gcount() == static_cast<std::streamsize>(sizeof header) &&
                        header[0] == 'B' && header[1] == 'M';
    registry().bitmapLoads.push_back({path, loaded});
    if (!loaded)
        return nullptr;
    auto field = [&](std::size_t offset) {
        const std::uint32_t bits = header[offset] | header[offset + 1] << 8 |
                                   header[offset + 2] << 16 |
                                   static_cast<std::uint32_t>(header[offset + 3]) << 24;
        return static_cast<std::int32_t>(bits);
    };
    auto bitmap = std::make_unique<NativeBitmap>();
    bitmap->path = path;
    bitmap->width = field(BitmapWidthOffset);
    // A negative height marks a top-down bitmap; the picture is as high either way.
    bitmap->height = std::abs(field(BitmapWidthOffset + 4));
    registry().bitmaps.push_back(std::move(bitmap));
    return registry().bitmaps.back().get();
}

namespace Headless {

std::vector<WindowHandle> windows() {
    std::vector<WindowHandle> all;
    for (const auto &window : registry().windows)
        all.push_back(window.get());
    return all;
}

WindowHandle findWindow(const std::wstring &className, const std::string &text) {
    for (const auto &window : registry().windows)
        if (alive(window.get()) && window->className == className && window->text == text)
            return window.get();
    return nullptr;
}

bool isVisible(WindowHandle window) {
    // No window (an element that was never created) is nothing to see or paint.
    if (!window)
        return false;
    for (; window; window = window->parent)
        if (window->destroyed || !(window->style & VisibleStyle))
            return false;
    return true;
}

WindowHandle focusedWindow() { return registry().focus; }

bool setFocus(WindowHandle window) {
    if (!alive(window))
        return false;
    NativeWindow *previous = registry().focus;
    if (previous == window)
        return true;
    registry().focus = window;
    if (alive(previous) && isEdit(*previous))
        notifyParent(*previous, KillFocusNotification);
    if (window->subclass)
        window->subclass->handleCommand(WindowElement::FocusCode);
    if (isEdit(*window))
        notifyParent(*window, SetFocusNotification);
    return true;
}

bool click(WindowHandle window) {
    // Nobody can point at a control that is hidden or has no extent.
    if (!isVisible(window) || window->rect.right <= window->rect.left ||
        window->rect.bottom <= window->rect.top)
        return false;
    setFocus(window);
    if (hasClass(*window, L"BUTTON") && (window->style & ButtonTypeMask) == AutoCheckBox)
        window->check = window->check ? 0 : 1;
    notifyParent(*window, ClickedNotification);
    return true;
}

bool typeText(WindowHandle edit, const std::string &text) {
    if (!isVisible(edit) || !isEdit(*edit))
        return false;
    setFocus(edit);
    for (const char c : text) {
        edit->text.push_back(c);
        notifyParent(*edit, UpdateNotification);
        notifyParent(*edit, ChangeNotification);
    }
    return true;
}

bool pressReturn(WindowHandle window) {
    if (!isVisible(window))
        return false;
    setFocus(window);
    dialogReturn(*window);
    return true;
}

bool releaseReturn() {
    NativeWindow *focused = registry().focus;
    if (!isVisible(focused))
        return false;
    if (focused->subclass)
        focused->subclass->handleCommand(WindowElement::ReturnCode);
    return true;
}

void close(WindowHandle window) {
    if (!alive(window))
        return;
    destroyTree(*window);
    if (hasClass(*window, MainWindowClass) && registry().callbacks.destroyed)
        registry().callbacks.destroyed();
}

void post(std::function<void()> input) { registry().inputs.push_back(std::move(input)); }

std::size_t pendingInputs() { return registry().inputs.size(); }

void setDesktop(const WindowRect *desktop) {
    registry().desktopReadable = desktop != nullptr;
    if (desktop)
        registry().desktop = *desktop;
}

const std::vector<BitmapLoad> &bitmapLoads() { return registry().bitmapLoads; }

bool commonControlsInitialised() { return registry().commonControls; }

void resetMainWindowClass() {
    registry().classRegistered = false;
    registry().callbacks = {};
}

void setMainWindowCreationFails(bool fails) { registry().mainWindowFails = fails; }

} // namespace Headless
} // namespace Kestrel::Platform
