// The rule that keeps manifest names inside the installation, for the launcher and release tools.
#pragma once

#include <string>

namespace Kestrel {

// Whether a manifest "name" stays inside the installation folder: not empty, not absolute (no
// leading slash or backslash), no colon anywhere (drive letters, mount ids, stream names), and no
// component of dots and blanks with two or more dots ("..", and the forms Windows reads as "..")
// between separators of either kind.
bool isSafeInstallName(const std::string &name);

} // namespace Kestrel
