// Automatic check boxes: a click ticks the control, the element reports the new state.
#include "ui/CheckBoxElement.h"

#include <cstdint>

namespace Kestrel {

namespace {

constexpr std::uint32_t Transparent = 0x20;
// Child, tab stop, text centred vertically, automatic check box.
constexpr std::uint32_t CheckBoxStyle = 0x40010C03;
constexpr std::uint32_t LargestClickCode = 0xFFFF;

} // namespace

void CheckBoxElement::create() {
    if (!getWindow())
        adoptWindow(Platform::createControl(L"BUTTON", Transparent, CheckBoxStyle, parentWindow()));
    WindowElement::create();
}

void CheckBoxElement::handleCommand(int code) {
    if (static_cast<std::uint32_t>(code) <= LargestClickCode)
        toggled(isChecked());
    else
        WindowElement::handleCommand(code);
}

void CheckBoxElement::setChecked(bool checked) {
    Platform::setCheck(getWindow(), checked ? Platform::CheckChecked : Platform::CheckUnchecked);
}

bool CheckBoxElement::isChecked() const {
    return Platform::getCheck(getWindow()) == Platform::CheckChecked;
}

} // namespace Kestrel
