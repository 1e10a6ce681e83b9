// The Login state's screen: its elements, shown and filled from the stored credentials.
#include "states/LoginState.h"

#include "app/LauncherApp.h"

#include <array>

namespace Kestrel {

std::array<WindowElement *, 7> LoginState::elements() {
    return {&usernameEdit,  &passwordEdit,    &loginButton, &usernameLabel,
            &passwordLabel, &rememberMeLabel, &rememberMe};
}

bool LoginState::load(Cobalt::InputArchive &archive) {
    WindowElement *root = getApp()->getRootElement();
    loadChildElement(usernameEdit, "usernameEdit", archive, root);
    loadChildElement(passwordEdit, "passwordEdit", archive, root);
    loadChildElement(usernameLabel, "usernameLabel", archive, root);
    loadChildElement(passwordLabel, "passwordLabel", archive, root);
    loadChildElement(rememberMe, "rememberMe", archive, root);
    loadChildElement(rememberMeLabel, "rememberMeLabel", archive, root);
    loadChildElement(loginButton, "loginButton", archive, root);
    return LauncherState::load(archive);
}

void LoginState::enter() {
    for (WindowElement *element : elements())
        element->show();
    std::string user;
    getApp()->getCredentials(user, storedPassword);
    const bool remembered = !user.empty() && !storedPassword.empty();
    usernameEdit.setText(user);
    rememberMe.setChecked(remembered);
    passwordEdit.setText(remembered ? storedPassword : std::string());
}

void LoginState::leave() {
    for (WindowElement *element : elements())
        element->hide();
}

} // namespace Kestrel
