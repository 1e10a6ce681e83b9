// The frame timer over a clock source.
#include "app/FrameTimer.h"

namespace Cobalt {

FrameTimer::FrameTimer(ClockSource &clock) : clock(clock) {}

double FrameTimer::currentTime() {
    if (!frequencyKnown) {
        frequencyKnown = true;
        // A zero frequency would divide by zero; treat it as no counter at all.
        counterAvailable = clock.counterFrequency(ticksPerSecond) && ticksPerSecond > 0;
        if (counterAvailable)
            firstCount = clock.counter();
        else
            firstMilliseconds = clock.milliseconds();
    }
    if (counterAvailable)
        return static_cast<double>(clock.counter() - firstCount) /
               static_cast<double>(ticksPerSecond);
    // Unsigned, so the difference runs on across the tick count's wrap.
    const std::uint32_t milliseconds = clock.milliseconds() - firstMilliseconds;
    return milliseconds * 0.001;
}

double currentTime() {
    static FrameTimer timer(systemClock());
    return timer.currentTime();
}

} // namespace Cobalt
