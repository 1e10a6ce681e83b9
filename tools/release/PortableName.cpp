// A release made on Linux may name files Windows cannot create: the launcher would then fail on
// them in every run and never finish the update, so the tool refuses them up front.
#include "tools/release/PortableName.h"

#include <algorithm>
#include <cctype>

namespace Release {

namespace {
bool isDeviceName(std::string component) {
    component = component.substr(0, component.find('.'));
    std::transform(component.begin(), component.end(), component.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (const char *device : {"CON", "PRN", "AUX", "NUL"})
        if (component == device)
            return true;
    return component.size() == 4 &&
           (component.rfind("COM", 0) == 0 || component.rfind("LPT", 0) == 0) &&
           component[3] >= '1' && component[3] <= '9';
}

std::string componentProblem(const std::string &component) {
    if (component.empty() || component == ".")
        return std::string();
    if (component.back() == '.' || component.back() == ' ')
        return "a name part ends in a dot or a blank";
    if (isDeviceName(component))
        return "\"" + component + "\" is a device name on Windows";
    return std::string();
}
} // namespace

std::string portableNameProblem(const std::string &name) {
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f)
            return "only printable ASCII characters keep their meaning on every system";
        if (std::string("<>:\"|?*\\").find(c) != std::string::npos)
            return std::string("Windows cannot hold the character ") + c + " in a file name";
    }
    std::string::size_type start = 0;
    for (;;) {
        const auto end = name.find('/', start);
        const std::string problem = componentProblem(name.substr(start, end - start));
        if (!problem.empty() || end == std::string::npos)
            return problem;
        start = end + 1;
    }
}

} // namespace Release
