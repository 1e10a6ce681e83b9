// Manifest names that would reach outside the installation when resolved or handed to the
// system, or into the launcher's staging folder.
#include "states/InstallName.h"

#include "states/StagingFolder.h"

#include <algorithm>
#include <cctype>

namespace Kestrel {

namespace {
bool isDotsAndBlanks(const std::string &component) {
    return component.find_first_not_of(". ") == std::string::npos;
}

// Windows drops trailing dots and blanks from a component, so ".. " or "..." can climb like "..".
bool climbsUp(const std::string &component) {
    return isDotsAndBlanks(component) && std::count(component.begin(), component.end(), '.') >= 2;
}

// The component as Windows names the folder: trailing dots and blanks dropped, any letter case.
bool namesStagingFolder(std::string component) {
    while (!component.empty() && (component.back() == '.' || component.back() == ' '))
        component.pop_back();
    std::transform(component.begin(), component.end(), component.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return component == StagingFolder::Name;
}

bool hasControlCharacter(const std::string &name) {
    return std::any_of(name.begin(), name.end(),
                       [](unsigned char c) { return c < 0x20 || c == 0x7f; });
}
} // namespace

bool isSafeInstallName(const std::string &name) {
    if (name.empty() || name.front() == '/' || name.front() == '\\' ||
        name.find(':') != std::string::npos || hasControlCharacter(name))
        return false;
    // Until a component names a real folder, "." and empty components stay in the top folder.
    bool inTopFolder = true;
    std::string::size_type start = 0;
    for (;;) {
        const auto end = name.find_first_of("/\\", start);
        const std::string component = name.substr(start, end - start);
        if (climbsUp(component) || (inTopFolder && namesStagingFolder(component)))
            return false;
        inTopFolder = inTopFolder && isDotsAndBlanks(component);
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}

} // namespace Kestrel
