// The element over one native window: layout from the configuration, routing, background cache.
#include "ui/WindowElement.h"

#include "serialization/InputArchive.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace Kestrel {

namespace {

// Low two style bits: a default push button, a check box, a centred or right-aligned text. Such
// controls paint their own background, so erasing them draws nothing.
constexpr std::uint32_t SelfPaintedStyleBits = 0x3;

// Truncates toward zero, saturating at the ends of the 32-bit range; not-a-number gives 0.
std::int32_t truncateToInt(double value) {
    if (std::isnan(value))
        return 0;
    constexpr double low = std::numeric_limits<std::int32_t>::min();
    constexpr double high = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::trunc(std::fmin(std::fmax(value, low), high)));
}

// edge + extent, saturating, so a configured size near the range's end cannot wrap around.
std::int32_t offsetEdge(std::int32_t edge, double extent) {
    return truncateToInt(static_cast<double>(edge) + truncateToInt(extent));
}

// to - from, saturating, for rectangles whose edges were saturated on loading.
int span(std::int32_t from, std::int32_t to) {
    return truncateToInt(static_cast<double>(to) - from);
}

} // namespace

WindowElement::WindowElement() = default;

WindowElement::WindowElement(Platform::WindowHandle window) : window(window) {
    Platform::getScreenRect(window, rect);
}

WindowElement::~WindowElement() {
    if (Platform::getUserData(window) == this)
        Platform::setUserData(window, nullptr);
    Platform::removeElementSubclass(window, *this);
}

void WindowElement::create() {
    Platform::setWindowText(window, text);
    placeAtRect();
    Platform::setUserData(window, this);
    if (font)
        Platform::setFont(window, font);
    Platform::installElementSubclass(window, *this);
    backgroundCache = nullptr;
    hide();
}

bool WindowElement::load(Cobalt::InputArchive &archive) {
    Cobalt::readNamed(archive, "text", text);
    Cobalt::Vector2 position;
    if (Cobalt::readNamed(archive, "position", position)) {
        // Moving keeps the extent: the edges travel together.
        const int width = span(rect.left, rect.right);
        const int height = span(rect.top, rect.bottom);
        rect.left = truncateToInt(position.x);
        rect.top = truncateToInt(position.y);
        rect.right = offsetEdge(rect.left, width);
        rect.bottom = offsetEdge(rect.top, height);
    }
    Cobalt::Vector2 size;
    if (Cobalt::readNamed(archive, "size", size)) {
        rect.right = offsetEdge(rect.left, size.x);
        rect.bottom = offsetEdge(rect.top, size.y);
    }
    loadFont(archive);
    return true;
}

void WindowElement::loadFont(Cobalt::InputArchive &archive) {
    if (!archive.enter("customFont"))
        return;
    Platform::FontParameters parameters;
    Cobalt::readNamed(archive, "fontHeight", parameters.height);
    Cobalt::readNamed(archive, "fontWeight", parameters.weight);
    Cobalt::readNamed(archive, "italic", parameters.italic);
    Cobalt::readNamed(archive, "underline", parameters.underline);
    Cobalt::readNamed(archive, "strike", parameters.strikeOut);
    Cobalt::readNamed(archive, "fontFace", parameters.face);
    archive.leave();
    font = Platform::createFont(parameters);
}

void WindowElement::handleCommand(int code) {
    if (code == ReturnCode)
        returnPressed();
    else if (code == FocusCode)
        focusGained();
}

void WindowElement::setText(const std::string &newText) {
    text = newText;
    Platform::setWindowText(window, text);
    redrawUnderneath();
}

void WindowElement::show() {
    Platform::showWindow(window, Platform::ShowShow);
    redrawUnderneath();
}

void WindowElement::hide() {
    Platform::showWindow(window, Platform::ShowHide);
    redrawUnderneath();
}

void WindowElement::redrawArea(const Platform::WindowRect *area) {
    Platform::invalidate(window, area);
    Platform::updateWindow(window);
}

void WindowElement::redrawUnderneath() {
    if (parent)
        parent->redrawArea(&rect);
}

void WindowElement::placeAtRect() {
    Platform::setWindowPosition(window, rect.left, rect.top, span(rect.left, rect.right),
                                span(rect.top, rect.bottom));
}

Platform::WindowHandle WindowElement::parentWindow() const {
    return parent ? parent->window : nullptr;
}

void WindowElement::routeCommand(Platform::WindowHandle source, int code) {
    if (WindowElement *target = Platform::getUserData(source))
        target->handleCommand(code);
}

bool WindowElement::eraseBackground(Platform::DeviceContext context) {
    if (Platform::getStyle(window) & SelfPaintedStyleBits)
        return true;
    if (!parent)
        return false;
    const int width = span(rect.left, rect.right);
    const int height = span(rect.top, rect.bottom);
    // The first pass only captures what the parent shows under the control; later passes draw it.
    if (!backgroundCache)
        backgroundCache =
            Platform::captureParentPixels(parent->window, rect.left, rect.top, width, height);
    else
        Platform::drawBitmap(context, backgroundCache, width, height);
    return true;
}

void WindowElement::attachTo(WindowElement *newParent) {
    if (window)
        Platform::setParent(window, newParent ? newParent->window : nullptr);
    parent = newParent;
}

bool loadChildElement(WindowElement &child, const std::string &name, Cobalt::InputArchive &archive,
                      WindowElement *parent) {
    if (!archive.enter(name))
        return false;
    child.attachTo(parent);
    child.load(archive);
    child.create();
    archive.leave();
    return true;
}

} // namespace Kestrel
