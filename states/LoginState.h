// The first step of a launch: the user name and password fields, the remember-me box and the
// login button.
#pragma once

#include "app/LauncherState.h"
#include "ui/ButtonElement.h"
#include "ui/CheckBoxElement.h"
#include "ui/EditElement.h"
#include "ui/TextElement.h"

#include <array>
#include <string>

namespace Kestrel {

class LoginState : public LauncherState {
public:
    using LauncherState::LauncherState;

    // Shows the seven elements and fills the fields from the stored credentials: the user name,
    // and with a stored password its digest and a ticked box.
    void enter() override;
    void leave() override;
    // Makes the seven elements from their nodes under the root element; always true.
    bool load(Cobalt::InputArchive &archive) override;

    // Set for "-n"/"-no-check": a login goes straight to "StartGame".
    bool skipCheck = false;

private:
    std::array<WindowElement *, 7> elements();

    EditElement usernameEdit;
    EditElement passwordEdit;
    ButtonElement loginButton;
    TextElement usernameLabel;
    TextElement passwordLabel;
    TextElement rememberMeLabel;
    CheckBoxElement rememberMe;
    std::string storedPassword;
};

} // namespace Kestrel
