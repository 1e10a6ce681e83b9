// The rule that keeps manifest names inside the installation, for the launcher and release tools.
#pragma once

#include <string>

namespace Kestrel {

// Whether a manifest "name" stays inside the installation folder and out of the launcher's own
// part of it: not empty, not absolute (no leading slash or backslash), no colon anywhere (drive
// letters, mount ids, stream names), no control character (below 0x20, and 0x7F), no component
// of dots and blanks with two or more dots ("..", and the forms Windows reads as "..") between
// separators of either kind, and not inside the staging folder (StagingFolder::Name in any
// letter case, with the dots and blanks Windows drops from its end, after any "." components).
bool isSafeInstallName(const std::string &name);

} // namespace Kestrel
