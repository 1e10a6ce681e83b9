// Tests of the frame timer over a scripted clock: the counter path and the millisecond fallback.
#include "app/FrameTimer.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// A clock whose readings the test sets, counting how often each one is asked.
class FakeClock : public Cobalt::ClockSource {
public:
    bool hasCounter = true;
    std::int64_t frequency = 1000;
    std::int64_t ticks = 0;
    std::uint32_t millis = 0;
    int frequencyReads = 0;
    int counterReads = 0;
    int millisecondReads = 0;

    bool counterFrequency(std::int64_t &ticksPerSecond) override {
        ++frequencyReads;
        if (hasCounter)
            ticksPerSecond = frequency;
        return hasCounter;
    }
    std::int64_t counter() override {
        ++counterReads;
        return ticks;
    }
    std::uint32_t milliseconds() override {
        ++millisecondReads;
        return millis;
    }
};

TEST(FrameTimerTest, DividesTheCounterByItsFrequency) {
    FakeClock clock;
    clock.frequency = 3579544;
    clock.ticks = 3579544LL * 7200 + 3579544 / 4;
    Cobalt::FrameTimer timer(clock);
    EXPECT_DOUBLE_EQ(timer.currentTime(), 7200.25);
    clock.ticks += 3579544 / 2;
    EXPECT_DOUBLE_EQ(timer.currentTime(), 7200.75);
    EXPECT_EQ(clock.millisecondReads, 0);
}

TEST(FrameTimerTest, AsksTheFrequencyOnceAndOnlyWhenFirstRead) {
    FakeClock clock;
    Cobalt::FrameTimer timer(clock);
    EXPECT_EQ(clock.frequencyReads, 0);
    for (int i = 0; i < 5; ++i)
        timer.currentTime();
    EXPECT_EQ(clock.frequencyReads, 1);
    EXPECT_EQ(clock.counterReads, 5);
}

TEST(FrameTimerTest, KeepsTheFirstFrequencyEvenWhenTheClockChangesItsAnswer) {
    FakeClock clock;
    clock.frequency = 100;
    clock.ticks = 250;
    Cobalt::FrameTimer timer(clock);
    EXPECT_DOUBLE_EQ(timer.currentTime(), 2.5);
    clock.frequency = 1;
    clock.hasCounter = false;
    EXPECT_DOUBLE_EQ(timer.currentTime(), 2.5);
}

TEST(FrameTimerTest, FallsBackToMillisecondsWithoutACounter) {
    FakeClock clock;
    clock.hasCounter = false;
    clock.millis = 1234;
    Cobalt::FrameTimer timer(clock);
    EXPECT_DOUBLE_EQ(timer.currentTime(), 1.234);
    clock.millis = 1235;
    EXPECT_DOUBLE_EQ(timer.currentTime(), 1.235);
    EXPECT_EQ(clock.counterReads, 0);
    EXPECT_EQ(clock.frequencyReads, 1);
}

TEST(FrameTimerTest, TreatsAZeroFrequencyAsNoCounter) {
    FakeClock clock;
    clock.frequency = 0;
    clock.ticks = 99;
    clock.millis = 500;
    Cobalt::FrameTimer timer(clock);
    EXPECT_DOUBLE_EQ(timer.currentTime(), 0.5);
    EXPECT_EQ(clock.counterReads, 0);
}

TEST(FrameTimerTest, MillisecondTimeFallsBackNearZeroWhenTheCountWraps) {
    FakeClock clock;
    clock.hasCounter = false;
    clock.millis = 0xffffffffu;
    Cobalt::FrameTimer timer(clock);
    EXPECT_DOUBLE_EQ(timer.currentTime(), 4294967.295);
    clock.millis += 3; // wraps to 2
    EXPECT_DOUBLE_EQ(timer.currentTime(), 0.002);
}

TEST(FrameTimerTest, ProcessTimerNeverRunsBackwards) {
    const double first = Cobalt::currentTime();
    const double second = Cobalt::currentTime();
    EXPECT_LE(first, second);
}

} // namespace
