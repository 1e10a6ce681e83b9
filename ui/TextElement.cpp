// Static texts with their horizontal alignment.
#include "ui/TextElement.h"

#include "serialization/InputArchive.h"

#include <cstdint>

namespace Kestrel {

namespace {

constexpr std::uint32_t Transparent = 0x20;
constexpr std::uint32_t StaticChild = 0x40000000;
constexpr std::uint32_t Centred = 0x1;
constexpr std::uint32_t RightAligned = 0x2;

std::uint32_t alignmentStyle(TextElement::Alignment alignment) {
    switch (alignment) {
    case TextElement::Alignment::Center:
        return Centred;
    case TextElement::Alignment::Right:
        return RightAligned;
    case TextElement::Alignment::Left:
        break;
    }
    return 0;
}

} // namespace

void TextElement::create() {
    if (!getWindow())
        adoptWindow(Platform::createControl(
            L"STATIC", Transparent, StaticChild | alignmentStyle(alignment), parentWindow()));
    WindowElement::create();
}

bool TextElement::load(Cobalt::InputArchive &archive) {
    std::string position;
    if (Cobalt::readNamed(archive, "horizPos", position)) {
        if (position == "left")
            alignment = Alignment::Left;
        else if (position == "center")
            alignment = Alignment::Center;
        else if (position == "right")
            alignment = Alignment::Right;
    }
    return WindowElement::load(archive);
}

} // namespace Kestrel
