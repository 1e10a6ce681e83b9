// Manifest names that would reach outside the installation when resolved or handed to the system.
#include "states/InstallName.h"

#include <algorithm>

namespace Kestrel {

namespace {
// Windows drops trailing dots and blanks from a component, so ".. " or "..." can climb like "..".
bool climbsUp(const std::string &component) {
    const bool dotsAndBlanks = component.find_first_not_of(". ") == std::string::npos;
    return dotsAndBlanks && std::count(component.begin(), component.end(), '.') >= 2;
}
} // namespace

bool isSafeInstallName(const std::string &name) {
    if (name.empty() || name.front() == '/' || name.front() == '\\' ||
        name.find(':') != std::string::npos)
        return false;
    std::string::size_type start = 0;
    for (;;) {
        const auto end = name.find_first_of("/\\", start);
        if (climbsUp(name.substr(start, end - start)))
            return false;
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}

} // namespace Kestrel
