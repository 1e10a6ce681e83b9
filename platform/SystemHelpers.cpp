// The operating-system helpers that the C runtime serves alike on every system.
#include "platform/SystemHelpers.h"

#include <cstdio>
#include <ctime>

namespace Cobalt {

std::string currentTimeText() {
    const std::time_t now = std::time(nullptr);
    const std::tm *local = std::localtime(&now);
    // asctime gives up (null) on years it cannot print; a missing time is better than a crash.
    const char *text = local ? std::asctime(local) : nullptr;
    return text ? text : "";
}

std::string executableFolder() {
    const std::string path = executablePath();
    const std::size_t separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

bool removeFile(const char *path) { return path && std::remove(path) == 0; }

} // namespace Cobalt
