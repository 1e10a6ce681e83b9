// The time sources behind the frame timer; swappable so tests can stand in for the hardware.
#pragma once

#include <cstdint>

namespace Cobalt {

class ClockSource {
public:
    virtual ~ClockSource() = default;
    // Ticks per second of the high-resolution counter; false when the machine has none.
    virtual bool counterFrequency(std::int64_t &ticksPerSecond) = 0;
    // The high-resolution counter; only meaningful when counterFrequency succeeded.
    virtual std::int64_t counter() = 0;
    // Milliseconds since an arbitrary origin; wraps after 2^32 milliseconds.
    virtual std::uint32_t milliseconds() = 0;
};

// The machine's own clocks; lives for the whole process.
ClockSource &systemClock();

} // namespace Cobalt
