// Waits, window hidden, for the elevated copy of the launcher that carries out the update.
#pragma once

#include "app/LauncherState.h"

namespace Kestrel {

class WaitForUpdateState : public LauncherState {
public:
    using LauncherState::LauncherState;
};

} // namespace Kestrel
