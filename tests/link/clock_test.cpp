// The identify blink's timing rests on WaitMs: it must never end early, must not pump for a wait
// of nothing, and must measure true time when the 32-bit millisecond counter wraps.

#include "link/Clock.h"

#include <gtest/gtest.h>

#include <chrono>

#include "link/EventPump.h"

namespace {

struct Wait {
    const char* name;
    std::uint32_t clockStart;
    std::int32_t ms;
    // The injected clock advances 1 ms per pump; the wait ends at the first reading more than
    // its length after the start, as the start may have been read late in its millisecond.
    std::uint32_t pumps;
};

TEST(Clock, WaitLastsItsTimeOnAnInjectedClock) {
    const Wait waits[] = {
        {"zero", 1000, 0, 0},
        {"negative", 1000, -5, 0},
        {"plain", 1000, 25, 26},
        {"across 2^31", 0x7FFFFFF0u, 50, 51},
        {"across the wrap to 0", 0xFFFFFFF0u, 50, 51},
    };
    std::uint32_t now = 0;
    Time::SetClockSource([&now] { return now; });
    EventPump::Set([&now] { ++now; });
    for (const Wait& wait : waits) {
        SCOPED_TRACE(wait.name);
        now = wait.clockStart;
        Time::WaitMs(wait.ms);
        EXPECT_EQ(now - wait.clockStart, wait.pumps);
    }
    Time::SetClockSource({});
    EventPump::Set({});
}

TEST(Clock, FiftyMillisecondsOnTheRealClock) {
    const auto start = std::chrono::steady_clock::now();
    Time::WaitMs(50);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

}  // namespace
