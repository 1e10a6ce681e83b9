// The counter the update screens show beside their progress bars.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

namespace Kestrel {

// "(done/total)" with done capped at total, so an estimate that proves low never shows more done
// than there is; "(done/?)" when total is 0, that is, unknown.
inline std::string progressCounter(std::uint32_t done, std::uint32_t total) {
    if (total == 0)
        return "(" + std::to_string(done) + "/?)";
    return "(" + std::to_string(std::min(done, total)) + "/" + std::to_string(total) + ")";
}

} // namespace Kestrel
