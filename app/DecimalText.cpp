// Saturating decimal reads shared by the archives and the server connection.
#include "app/DecimalText.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace Cobalt {

long long leadingInteger(const char *text) { return std::strtoll(text, nullptr, 10); }

std::int32_t atoiSaturated(const char *text) {
    return static_cast<std::int32_t>(
        std::clamp<long long>(leadingInteger(text), std::numeric_limits<std::int32_t>::min(),
                              std::numeric_limits<std::int32_t>::max()));
}

} // namespace Cobalt
