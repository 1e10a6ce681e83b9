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

    // Seconds since an arbitrary fixed origin; only differences between calls matter. Without a
    // counter the value moves in steps of 0.001 and falls back near 0 when the tick count wraps.
    double currentTime();

private:
    ClockSource &clock;
    bool frequencyKnown = false;
    bool counterAvailable = false;
    std::int64_t ticksPerSecond = 0;
};

// currentTime of the one process-wide timer over the machine's clocks.
double currentTime();

} // namespace Cobalt
