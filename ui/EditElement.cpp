// One-line edit fields: the text is read back from the control whenever it changes.
#include "ui/EditElement.h"

#include "serialization/InputArchive.h"

#include <cstdint>

namespace Kestrel {

namespace {

constexpr std::uint32_t ClientEdge = 0x200;
// Child, tab stop, Return kept, scrolling sideways while typing.
constexpr std::uint32_t EditStyle = 0x40011080;
constexpr std::uint32_t Password = 0x20;
constexpr std::uint32_t ChangeNotification = 0x300;
constexpr std::uint32_t KillFocusNotification = 0x200;
// The read buffer, terminating zero included: longer texts are reported cut to 511 characters.
constexpr int TextBufferSize = 512;

} // namespace

void EditElement::create() {
    if (!getWindow()) {
        const std::uint32_t style = EditStyle | (isPassword ? Password : 0);
        adoptWindow(Platform::createControl(L"EDIT", ClientEdge, style, parentWindow()));
    }
    WindowElement::create();
}

bool EditElement::load(Cobalt::InputArchive &archive) {
    Cobalt::readNamed(archive, "password", isPassword);
    return WindowElement::load(archive);
}

void EditElement::handleCommand(int code) {
    const std::uint32_t notification = static_cast<std::uint32_t>(code) >> 16;
    if (notification != ChangeNotification && notification != KillFocusNotification) {
        WindowElement::handleCommand(code);
        return;
    }
    char buffer[TextBufferSize];
    const int length = Platform::getWindowText(getWindow(), buffer, TextBufferSize);
    // A copy, so a slot that sets this field's text does not change what later slots receive.
    const std::string current(buffer, length > 0 ? length : 0);
    storeText(current);
    textChanged(current);
}

} // namespace Kestrel
