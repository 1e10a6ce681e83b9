// The last step of a launch: starts the game with the user's credentials and ends the launcher.
#pragma once

#include "app/LauncherState.h"
#include "ui/TextElement.h"

#include <string>

namespace Kestrel {

class StartGameState : public LauncherState {
public:
    using LauncherState::LauncherState;

    // Binds "message" below the root element and reads "gameExe" and "lingerTime"; a missing
    // value keeps its default. Always true.
    bool load(Cobalt::InputArchive &archive) override;
    // Shows the message and starts the game through the shell with "user=NAME&password=DIGEST"
    // (and "&" + the extra arguments). The elevated copy starts nothing and ends at once.
    void enter() override;
    // Counts the linger time down; the launcher ends once it is below zero.
    void update(float time, float elapsed) override;

    // Appended after "&" to the game's command line when not empty; set from "-c".
    std::string extraArguments;

private:
    // The game's command line for user and password digest; nothing quoted or escaped.
    std::string gameParameters(const std::string &user, const std::string &password) const;

    TextElement messageText;
    // Handed to the shell unchanged, even when empty.
    std::string gameExe;
    float lingerTime = 5.0f;
};

} // namespace Kestrel
