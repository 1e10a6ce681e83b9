// The elevated start goes to the installed answerer's decision, or to the system's prompt.
#include "platform/Elevation.h"

#include "platform/NativeElevation.h"

#include <utility>

namespace Kestrel::Platform {

namespace {

ElevationAnswerer &installedAnswerer() {
    static ElevationAnswerer answerer;
    return answerer;
}

} // namespace

ElevationResult startElevated(const std::string &parameters, WindowHandle owner) {
    // A copy, so an answerer that installs another one is not destroyed while it runs.
    const ElevationAnswerer answerer = installedAnswerer();
    if (!answerer)
        return startLauncherCopy(parameters, owner, true);
    if (answerer(parameters) == ElevationAnswer::Decline) {
        ElevationResult refused;
        refused.error = PromptRefused;
        return refused;
    }
    return startLauncherCopy(parameters, owner, false);
}

ElevationAnswerer setElevationAnswerer(ElevationAnswerer answerer) {
    return std::exchange(installedAnswerer(), std::move(answerer));
}

} // namespace Kestrel::Platform
