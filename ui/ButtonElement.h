// A push button; the OK button is the default button that Enter presses.
#pragma once

#include "ui/WindowElement.h"

namespace Kestrel {

class ButtonElement : public WindowElement {
public:
    sigslot::signal0<sigslot::multi_threaded_local> clicked;
    sigslot::signal0<sigslot::multi_threaded_local> doubleClicked;

    // Creates the "BUTTON" control when there is none (default push button with id IDOK when
    // isOkButton), then applies the element.
    void create() override;
    // Reads "okButton", then the common properties.
    bool load(Cobalt::InputArchive &archive) override;
    // A code whose high word is BN_CLICKED emits clicked, BN_DOUBLECLICKED doubleClicked.
    void handleCommand(int code) override;

    bool isOkButton = false;
};

} // namespace Kestrel
