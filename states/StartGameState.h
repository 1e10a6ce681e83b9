// The last step of a launch: starts the game with the user's credentials and ends the launcher.
#pragma once

#include "app/LauncherState.h"

#include <string>

namespace Kestrel {

class StartGameState : public LauncherState {
public:
    using LauncherState::LauncherState;

    // Appended after "&" to the game's command line when not empty; set from "-c".
    std::string extraArguments;
};

} // namespace Kestrel
