// Fetches the server's update manifest while showing how much of it has arrived.
#pragma once

#include "app/LauncherState.h"

namespace Kestrel {

class ManifestUpdateState : public LauncherState {
public:
    using LauncherState::LauncherState;
};

} // namespace Kestrel
