// Starting the game and ending the launcher a little later.
#include "states/StartGameState.h"

#include "app/LauncherApp.h"
#include "platform/SystemHelpers.h"
#include "serialization/InputArchive.h"

namespace Kestrel {

bool StartGameState::load(Cobalt::InputArchive &archive) {
    loadChildElement(messageText, "message", archive, getApp()->getRootElement());
    Cobalt::readNamed(archive, "gameExe", gameExe);
    Cobalt::readNamed(archive, "lingerTime", lingerTime);
    return LauncherState::load(archive);
}

std::string StartGameState::gameParameters(const std::string &user,
                                           const std::string &password) const {
    std::string parameters = "user=" + user + "&password=" + password;
    if (!extraArguments.empty())
        parameters += "&" + extraArguments;
    return parameters;
}

void StartGameState::enter() {
    messageText.show();
    LauncherApp &app = *getApp();
    std::string user;
    std::string password;
    app.getCredentials(user, password);
    const std::string parameters = gameParameters(user, password);
    // The elevated copy only updated; the copy that started it starts the game.
    if (app.isElevatedInstance()) {
        app.requestQuit();
        return;
    }
    Cobalt::runWithShell(gameExe.c_str(), parameters.c_str());
}

void StartGameState::update(float, float elapsed) {
    lingerTime -= elapsed;
    if (lingerTime < 0.0f)
        getApp()->requestQuit();
}

} // namespace Kestrel
