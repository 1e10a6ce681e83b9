// Waits, window hidden, for the elevated copy of the launcher that carries out the update.
#pragma once

#include "app/LauncherState.h"

namespace Kestrel {

class WaitForUpdateState : public LauncherState {
public:
    // Told when the elevated copy ended with a failure (its start-up login was refused, say).
    static constexpr const char *NotUpdatedText =
        "The game files could not be updated. The game starts with the files it has; the next "
        "start of the launcher tries again.";

    using LauncherState::LauncherState;

    // Without an elevated copy (the relaunch failed or was declined) goes on to "StartGame" at
    // once; otherwise hides the main window.
    void enter() override;
    // Shows the main window again.
    void leave() override;
    // Blocks until the elevated copy has ended, then goes on to "StartGame", after a box with
    // NotUpdatedText when the copy's exit code is not 0; a failed wait is tried again at the
    // next update.
    void update(float time, float elapsed) override;
};

} // namespace Kestrel
