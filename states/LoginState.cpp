// The Login screen: its elements filled from the stored credentials, and the login itself.
#include "states/LoginState.h"

#include "app/LauncherApp.h"
#include "app/Md5.h"
#include "network/AuthStatus.h"
#include "network/KSConnector.h"
#include "platform/MessageBox.h"

#include <exception>
#include <vector>

namespace Kestrel {

std::array<WindowElement *, 7> LoginState::elements() {
    return {&usernameEdit,  &passwordEdit,    &loginButton, &usernameLabel,
            &passwordLabel, &rememberMeLabel, &rememberMe};
}

bool LoginState::load(Cobalt::InputArchive &archive) {
    WindowElement *root = getApp()->getRootElement();
    if (loadChildElement(usernameEdit, "usernameEdit", archive, root))
        usernameEdit.returnPressed.connect(this, &LoginState::returnInField);
    if (loadChildElement(passwordEdit, "passwordEdit", archive, root))
        passwordEdit.returnPressed.connect(this, &LoginState::returnInField);
    loadChildElement(usernameLabel, "usernameLabel", archive, root);
    loadChildElement(passwordLabel, "passwordLabel", archive, root);
    loadChildElement(rememberMe, "rememberMe", archive, root);
    loadChildElement(rememberMeLabel, "rememberMeLabel", archive, root);
    if (loadChildElement(loginButton, "loginButton", archive, root))
        loginButton.clicked.connect(this, &LoginState::login);
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

void LoginState::returnInField() {
    // The dialog routine turns the press of that same Return into a click of the OK button;
    // answering the release too would log in twice (and show a refusal twice).
    if (loginButton.isOkButton)
        return;
    login();
}

void LoginState::login() {
    // The hidden button keeps the OK id for the whole run, so a Return that reaches the main
    // window on a later screen clicks it too.
    if (getApp()->getCurrentState() != this)
        return;
    const std::string user = usernameEdit.getText();
    std::string password = passwordEdit.getText();
    // The remembered digest left untouched is sent as it is; anything typed is sent as a digest.
    if (password != storedPassword)
        password = Cobalt::md5Hex(std::vector<char>(password.begin(), password.end()));
    const std::string reason = authenticate(user, password);
    // A login cancelled by closing the window needs no box.
    if (!reason.empty() && !getApp()->isQuitRequested())
        showFailure(reason);
    if (!reason.empty())
        return;
    remember(user, password);
    getApp()->changeState(skipCheck ? "StartGame" : "CheckVersion");
}

std::string LoginState::authenticate(const std::string &user, const std::string &password) {
    KSNetwork::KSConnector *connector = getApp()->getConnector();
    if (!connector)
        return "No server address is configured";
    try {
        KSNetwork::AuthStatus status;
        connector->authenticate(user, password, &status);
        return status.ok ? std::string() : RefusedReason;
    } catch (const std::exception &error) {
        return error.what();
    }
}

void LoginState::remember(const std::string &user, const std::string &password) {
    LauncherApp &app = *getApp();
    if (rememberMe.isChecked()) {
        app.setCredentials(user, password);
        app.saveCredentials();
        return;
    }
    // The file keeps the name only; this run still needs the digest for its requests.
    app.setCredentials(user, std::string());
    app.saveCredentials();
    app.setCredentials(user, password);
}

void LoginState::showFailure(const std::string &reason) {
    const WindowElement *root = getApp()->getRootElement();
    const std::string caption =
        root && !root->getText().empty() ? root->getText() : Platform::LauncherCaption;
    Platform::showMessageBox("Login failed.\n" + reason, caption,
                             Platform::MessageBoxKind::OkExclamation);
}

} // namespace Kestrel
