// Push buttons: clicks and double clicks become signals.
#include "ui/ButtonElement.h"

#include "serialization/InputArchive.h"

#include <cstdint>

namespace Kestrel {

namespace {

constexpr std::uint32_t WindowEdge = 0x100;
// Child, tab stop, text centred both ways.
constexpr std::uint32_t PushButtonStyle = 0x40010F00;
constexpr std::uint32_t DefaultPushButton = 0x1;
constexpr std::uint32_t DoubleClickedNotification = 5;
constexpr std::uint32_t LargestClickCode = 0xFFFF;

} // namespace

void ButtonElement::create() {
    if (!getWindow()) {
        const std::uint32_t style = PushButtonStyle | (isOkButton ? DefaultPushButton : 0);
        adoptWindow(Platform::createControl(L"BUTTON", WindowEdge, style, parentWindow()));
    }
    // The dialog-message routine presses the control with the OK id when Enter goes unhandled.
    if (isOkButton)
        Platform::setControlId(getWindow(), Platform::DialogOkId);
    WindowElement::create();
}

bool ButtonElement::load(Cobalt::InputArchive &archive) {
    Cobalt::readNamed(archive, "okButton", isOkButton);
    return WindowElement::load(archive);
}

void ButtonElement::handleCommand(int code) {
    // Unsigned, so the negative codes of the element subclass fall through to the base.
    const auto word = static_cast<std::uint32_t>(code);
    if (word <= LargestClickCode)
        clicked();
    else if (word >> 16 == DoubleClickedNotification)
        doubleClicked();
    else
        WindowElement::handleCommand(code);
}

} // namespace Kestrel
