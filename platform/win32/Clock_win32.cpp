// The machine clocks on Windows: the performance counter and the multimedia tick count.
#include "platform/Clock.h"

#include <windows.h>

#include <mmsystem.h>

namespace Cobalt {

namespace {

class Win32Clock : public ClockSource {
public:
    bool counterFrequency(std::int64_t &ticksPerSecond) override {
        LARGE_INTEGER frequency{};
        if (!QueryPerformanceFrequency(&frequency))
            return false;
        ticksPerSecond = frequency.QuadPart;
        return true;
    }
    std::int64_t counter() override {
        LARGE_INTEGER count{};
        QueryPerformanceCounter(&count);
        return count.QuadPart;
    }
    std::uint32_t milliseconds() override { return timeGetTime(); }
};

} // namespace

ClockSource &systemClock() {
    static Win32Clock clock;
    return clock;
}

} // namespace Cobalt
