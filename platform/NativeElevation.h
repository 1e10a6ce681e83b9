// The platform's own start of the elevated copy, behind startElevated.
#pragma once

#include "platform/Elevation.h"

namespace Kestrel::Platform {

// Starts LauncherProgramFile from the current folder with parameters, through the elevation
// prompt when prompt is set, else as a plain start.
ElevationResult startLauncherCopy(const std::string &parameters, WindowHandle owner, bool prompt);

} // namespace Kestrel::Platform
