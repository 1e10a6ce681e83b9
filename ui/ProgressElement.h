// A progress bar: a smooth bar over 0 .. maximum, or a running marquee.
#pragma once

#include "ui/WindowElement.h"

namespace Kestrel {

class ProgressElement : public WindowElement {
public:
    // Creates the "msctls_progress32" control when there is none, sets its range when the
    // configured maximum is not the control's own 100, then applies the element.
    void create() override;
    // Reads "maxProgress" and "marqueed", then the common properties.
    bool load(Cobalt::InputArchive &archive) override;

    // Stores a new maximum and sends it to the control; nothing when it is unchanged.
    void setRange(int max);
    // Clamps value to 0 .. maximum, stores it and sends it; ignored while marqueed.
    void setPosition(int value);
    // Switches the marquee on or off, restyling the control in place, and redraws it.
    void setMarquee(bool on);

    bool isMarqueed() const { return marqueed; }
    int getPosition() const { return position; }
    int getMaxProgress() const { return maxProgress; }

private:
    bool marqueed = false;
    int position = 0;
    int maxProgress = 100;
};

} // namespace Kestrel
