// Progress bars: range, clamped position and the marquee switch.
#include "ui/ProgressElement.h"

#include "serialization/InputArchive.h"

#include <cstdint>

namespace Kestrel {

namespace {

// Child, smooth bar.
constexpr std::uint32_t ProgressStyle = 0x40000001;
constexpr std::uint32_t Marquee = 0x8;
// The range a new control starts with.
constexpr int ControlMaximum = 100;

} // namespace

void ProgressElement::create() {
    if (!getWindow()) {
        const std::uint32_t style = ProgressStyle | (marqueed ? Marquee : 0);
        adoptWindow(Platform::createControl(L"msctls_progress32", 0, style, parentWindow()));
        // The control knows only its built-in range, so only another maximum is sent.
        const int configured = maxProgress;
        maxProgress = ControlMaximum;
        setRange(configured);
    }
    WindowElement::create();
}

bool ProgressElement::load(Cobalt::InputArchive &archive) {
    Cobalt::readNamed(archive, "maxProgress", maxProgress);
    Cobalt::readNamed(archive, "marqueed", marqueed);
    return WindowElement::load(archive);
}

void ProgressElement::setRange(int max) {
    if (max == maxProgress)
        return;
    maxProgress = max;
    Platform::setProgressRange(getWindow(), 0, max);
}

void ProgressElement::setPosition(int value) {
    if (marqueed)
        return;
    // Upper end first, so a negative maximum still leaves the position at 0.
    if (value > maxProgress)
        value = maxProgress;
    if (value < 0)
        value = 0;
    position = value;
    if (getWindow())
        Platform::setProgressPosition(getWindow(), position);
}

void ProgressElement::setMarquee(bool on) {
    marqueed = on;
    if (const Platform::WindowHandle window = getWindow()) {
        Platform::setProgressMarquee(window, on, 0);
        const std::uint32_t style = Platform::getStyle(window);
        Platform::setStyle(window, on ? style | Marquee : style & ~Marquee);
        // The new style takes effect only when the control is placed again.
        placeAtRect();
    }
    redrawArea(nullptr);
}

} // namespace Kestrel
