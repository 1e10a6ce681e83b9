// Reading integers out of text the way the C library's atoi does, without its undefined overflow.
#pragma once

#include <cstdint>

namespace Cobalt {

// The leading decimal integer of text (leading blanks, an optional sign, digits; 0 without
// digits), saturated at the 64-bit range.
long long leadingInteger(const char *text);

// leadingInteger clamped to the 32-bit range, as the Windows C library's atoi clamps.
std::int32_t atoiSaturated(const char *text);

} // namespace Cobalt
