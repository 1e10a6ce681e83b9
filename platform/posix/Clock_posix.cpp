// The machine clocks on POSIX systems: the monotonic clock serves as both counter and milliseconds.
#include "platform/Clock.h"

#include <ctime>

namespace Cobalt {

namespace {

constexpr std::int64_t NanosecondsPerSecond = 1000000000;
constexpr std::int64_t NanosecondsPerMillisecond = 1000000;

std::int64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * NanosecondsPerSecond + now.tv_nsec;
}

class PosixClock : public ClockSource {
public:
    bool counterFrequency(std::int64_t &ticksPerSecond) override {
        ticksPerSecond = NanosecondsPerSecond;
        return true;
    }
    std::int64_t counter() override { return monotonicNanoseconds(); }
    // Keeps the low 32 bits, so the count wraps the way the Windows tick count does.
    std::uint32_t milliseconds() override {
        return static_cast<std::uint32_t>(monotonicNanoseconds() / NanosecondsPerMillisecond);
    }
};

} // namespace

ClockSource &systemClock() {
    static PosixClock clock;
    return clock;
}

} // namespace Cobalt
