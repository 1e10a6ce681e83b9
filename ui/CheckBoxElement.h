// A check box that ticks itself when clicked and reports its new state.
#pragma once

#include "ui/WindowElement.h"

namespace Kestrel {

class CheckBoxElement : public WindowElement {
public:
    // Emitted after a click with the state read back from the control.
    sigslot::signal1<bool, sigslot::multi_threaded_local> toggled;

    // Creates the "BUTTON" automatic check box when there is none, then applies the element.
    void create() override;
    // A code whose high word is BN_CLICKED emits toggled(isChecked()).
    void handleCommand(int code) override;

    void setChecked(bool checked);
    // True exactly when the control reports the checked state.
    bool isChecked() const;
};

} // namespace Kestrel
