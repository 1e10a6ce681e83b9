// The first step of a launch: the user name and password fields, the remember-me box and the
// login button; a login sends the password's digest and remembers what the player asked for.
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
    // The reason shown when the server refuses the credentials.
    static constexpr const char *RefusedReason = "Login or Password incorrect";

    using LauncherState::LauncherState;

    // Shows the seven elements and fills the fields from the stored credentials: the user name,
    // and with a stored password its digest and a ticked box.
    void enter() override;
    void leave() override;
    // Makes the seven elements from their nodes under the root element and connects the button
    // and Return in either field to the login; always true.
    bool load(Cobalt::InputArchive &archive) override;

    // Set for "-n"/"-no-check": a login goes straight to "StartGame".
    bool skipCheck = false;

private:
    std::array<WindowElement *, 7> elements();
    // Sends the fields' credentials (the password as its digest, unless it is the remembered
    // digest left untouched). Accepted: stores and saves them as the remember-me box says and
    // moves on; refused or failed: a box says why and the screen stays. Does nothing while
    // another state is current.
    void login();
    // Return released in a field: logs in unless the login button is the OK button, which the
    // press of that Return has clicked already.
    void returnInField();
    // The reason the server gave no login, or empty when it accepted password for user.
    std::string authenticate(const std::string &user, const std::string &password);
    void remember(const std::string &user, const std::string &password);
    void showFailure(const std::string &reason);

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
