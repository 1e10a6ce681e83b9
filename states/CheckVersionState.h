// The version check: asks the server whether the launcher and the local manifest are current.
#pragma once

#include "app/LauncherState.h"

namespace Kestrel {

class CheckVersionState : public LauncherState {
public:
    using LauncherState::LauncherState;

    // Set for "-f"/"-full": report a placeholder instead of the local manifest's version.
    bool fullCheck = false;
};

} // namespace Kestrel
