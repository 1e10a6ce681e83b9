// A static text, left-aligned, centred or right-aligned, drawn over the window's logo.
#pragma once

#include "ui/WindowElement.h"

namespace Kestrel {

class TextElement : public WindowElement {
public:
    enum class Alignment { Center = 0, Left = 1, Right = 2 };

    // Creates the "STATIC" control with its alignment when there is none, then applies the
    // element.
    void create() override;
    // Reads "horizPos" ("left", "center" or "right", exact case; anything else keeps the current
    // alignment), then the common properties.
    bool load(Cobalt::InputArchive &archive) override;

    Alignment getAlignment() const { return alignment; }

private:
    Alignment alignment = Alignment::Left;
};

} // namespace Kestrel
