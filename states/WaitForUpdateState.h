// Waits, window hidden, for the elevated copy of the launcher that carries out the update.
#pragma once

#include "app/LauncherState.h"

namespace Kestrel {

class WaitForUpdateState : public LauncherState {
public:
    using LauncherState::LauncherState;

    // Without an elevated copy (the relaunch failed or was declined) goes on to "StartGame" at
    // once; otherwise hides the main window.
    void enter() override;
    // Shows the main window again.
    void leave() override;
    // Blocks until the elevated copy has ended, then goes on to "StartGame"; a failed wait is
    // tried again at the next update.
    void update(float time, float elapsed) override;
};

} // namespace Kestrel
