// Brings the installed files up to date, group by group, from the server's packages.
#pragma once

#include "app/LauncherState.h"

namespace Kestrel {

class GroupUpdateState : public LauncherState {
public:
    using LauncherState::LauncherState;

    // Set for "-f"/"-full": compare every file by its digest instead of by version.
    bool fullCheck = false;
};

} // namespace Kestrel
