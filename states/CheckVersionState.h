// The version check: asks the server whether the launcher and the local manifest are current.
#pragma once

#include "app/LauncherState.h"
#include "network/ServerStatus.h"

namespace Kestrel {

class CheckVersionState : public LauncherState {
public:
    using LauncherState::LauncherState;

    // Set for "-f"/"-full": report a placeholder instead of the local manifest's version.
    bool fullCheck = false;
};

// The manifest half of the last version check's reply; its value2 is the server's name of the
// current manifest, which the manifest download asks for.
extern KSNetwork::ServerStatus manifestStatus;

} // namespace Kestrel
