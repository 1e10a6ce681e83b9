// The frame timer that paces the state machine: seconds from the high-resolution counter, or from
// the millisecond tick count on machines without one.
#pragma once

#include "platform/Clock.h"

#include <cstdint>

namespace Cobalt {

class FrameTimer {
public:
    // Reads clock, which must outlive the timer. The counter frequency is asked on the first
    // currentTime call, once.
    explicit FrameTimer(ClockSource &clock);

    // Seconds since the first call, which reads 0; only differences between calls matter.
    // Without a counter the value moves in steps of 0.001, across the tick count's wrap, and
    // falls back near 0 once 2^32 milliseconds have passed since the first call.
    double currentTime();

private:
    ClockSource &clock;
    bool frequencyKnown = false;
    bool counterAvailable = false;
    std::int64_t ticksPerSecond = 0;
    // The first readings: counting from them keeps the values small, whatever the uptime.
    std::int64_t firstCount = 0;
    std::uint32_t firstMilliseconds = 0;
};

// currentTime of the one process-wide timer over the machine's clocks.
double currentTime();

} // namespace Cobalt
