// The identify blink's timing rests on WaitMs: it must never end early, must not pump for a wait
// of nothing, and must measure true time when the 32-bit millisecond counter wraps.

#include "link/Clock.h"

#include <gtest/gtest.h>

#include "link/EventPump.h"

namespace {

// The injected clock advances 1 ms per pump; a wait ends at the first reading more than its
// length after the start, as the start may have been read late in its millisecond.
TEST(Clock, WaitLastsItsTimeOnAnInjectedClock) {
    const struct {
        std::uint32_t start;
        std::int32_t ms;
        std::uint32_t pumps;
    } waits[] = {
        {1000, 0, 0}, {1000, -5, 0}, {1000, 25, 26}, {0x7FFFFFF0u, 50, 51}, {0xFFFFFFF0u, 50, 51}};
    std::uint32_t now = 0;
    Time::SetClockSource([&now] { return now; });
    EventPump::Set([&now] { ++now; });
    for (const auto& wait : waits) {
        now = wait.start;
        Time::WaitMs(wait.ms);
        EXPECT_EQ(now - wait.start, wait.pumps) << "from " << wait.start << " for " << wait.ms;
    }
    Time::SetClockSource({});
    EventPump::Set({});
}

}  // namespace
