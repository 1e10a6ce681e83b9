// Points in time as the release's "expires" writes them: "YYYY-MM-DDTHH:MM:SSZ", always UTC, so
// that a publisher and a player in different zones read the same moment.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace Cobalt {

// Seconds since 1970-01-01T00:00:00Z of exactly that form (years 1970 to 9999); none for any
// other text, an impossible date or time (February 30, 24:00:00) included.
std::optional<std::int64_t> parseUtcTime(const std::string &text);
// The text of seconds (0 to the end of 9999) in that form.
std::string formatUtcTime(std::int64_t seconds);
// The system clock's seconds since 1970-01-01T00:00:00Z.
std::int64_t currentUtcTime();

} // namespace Cobalt
