// The frame timer over a clock source.
#include "app/FrameTimer.h"

namespace Cobalt {

FrameTimer::FrameTimer(ClockSource &clock) : clock(clock) {}

double FrameTimer::currentTime() {
    if (!frequencyKnown) {
        frequencyKnown = true;
        // A zero frequency would divide by zero; treat it as no counter at all.
        counterAvailable = clock.counterFrequency(ticksPerSecond) && ticksPerSecond > 0;
    }
    if (counterAvailable)
        return static_cast<double>(clock.counter()) / static_cast<double>(ticksPerSecond);
    return clock.milliseconds() * 0.001;
}

double currentTime() {
    static FrameTimer timer(systemClock());
    return timer.currentTime();
}

} // namespace Cobalt
