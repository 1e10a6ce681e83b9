// A one-line edit field, optionally hiding its characters; reports its text as it changes.
#pragma once

#include "ui/WindowElement.h"

namespace Kestrel {

class EditElement : public WindowElement {
public:
    // The field's text (at most 511 characters) after a change or when it lost the focus.
    sigslot::signal1<const std::string &, sigslot::multi_threaded_local> textChanged;

    // Creates the "EDIT" control when there is none, then applies the element.
    void create() override;
    // Reads "password", then the common properties.
    bool load(Cobalt::InputArchive &archive) override;
    // EN_CHANGE or EN_KILLFOCUS in the high word: reads the control's text (at most 511
    // characters), stores it and emits textChanged.
    void handleCommand(int code) override;

    bool isPassword = false;
};

} // namespace Kestrel
