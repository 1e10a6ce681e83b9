// Tests of the frame timer over a scripted clock: the counter path and the millisecond fallback.
#include "app/FrameTimer.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// A clock whose readings the test sets, counting how often the frequency is asked.
class FakeClock : public Cobalt::ClockSource {
public:
    bool hasCounter = true;
    std::int64_t frequency = 1000, ticks = 0;
    std::uint32_t millis = 0;
    int frequencyReads = 0;

    bool counterFrequency(std::int64_t &ticksPerSecond) override {
        ++frequencyReads;
        if (hasCounter)
            ticksPerSecond = frequency;
        return hasCounter;
    }
    std::int64_t counter() override { return ticks; }
    std::uint32_t milliseconds() override { return millis; }
};

// The counter has run for 120 days; the millisecond count stays zero, so a timer that read it
// would show; the frequency changes after the first read, so one that asked again would too.
TEST(FrameTimerTest, CountsFromTheFirstReadingWithTheFrequencyAskedOnce) {
    FakeClock clock;
    clock.frequency = 3579544;
    clock.ticks = 3579544LL * 86400 * 120;
    Cobalt::FrameTimer timer(clock);
    EXPECT_DOUBLE_EQ(timer.currentTime(), 0.0);
    clock.frequency = 1;
    clock.ticks += 3579544 / 4;
    EXPECT_DOUBLE_EQ(timer.currentTime(), 0.25);
    EXPECT_EQ(clock.frequencyReads, 1);
}

// No counter, or one that reports a zero frequency: the time moves in steps of 0.001 from the
// first reading, on across the wrap of the 32-bit count.
TEST(FrameTimerTest, FallsBackToMillisecondsWithoutAUsableCounter) {
    for (const bool hasCounter : {false, true}) {
        SCOPED_TRACE(hasCounter ? "zero frequency" : "no counter");
        FakeClock clock;
        clock.hasCounter = hasCounter;
        clock.frequency = 0;
        clock.millis = 0xfffffff0u;
        Cobalt::FrameTimer timer(clock);
        EXPECT_DOUBLE_EQ(timer.currentTime(), 0.0);
        clock.millis += 0x13; // wraps to 3
        EXPECT_DOUBLE_EQ(timer.currentTime(), 0.019);
        EXPECT_EQ(clock.frequencyReads, 1);
    }
}

} // namespace
