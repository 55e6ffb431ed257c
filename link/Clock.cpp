// The millisecond clock behind every fixed wait, replaceable so tests can cross the counter's wrap.

#include "link/Clock.h"

#include <chrono>
#include <utility>

#include "link/EventPump.h"
#include "link/Interrupt.h"

namespace Time {
namespace {

std::function<std::uint32_t()>& clockSource() {
    static std::function<std::uint32_t()> source;
    return source;
}

}  // namespace

std::uint32_t NowMs() {
    if (clockSource()) {
        return clockSource()();
    }
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

void WaitMs(std::int32_t ms) {
    if (ms <= 0) {
        return;
    }
    const std::uint32_t start = NowMs();
    EventPump::PollPacer pacer;
    // The first reading may lie anywhere in its millisecond, so only a reading more than ms after
    // it guarantees ms have passed. Unsigned subtraction measures across the counter's wrap.
    for (;;) {
        const std::uint32_t elapsed = NowMs() - start;
        if (elapsed > static_cast<std::uint32_t>(ms) || Interrupt::Requested()) {
            return;
        }
        EventPump::Run();
        pacer.pause(std::chrono::milliseconds(static_cast<std::uint32_t>(ms) + 1 - elapsed));
    }
}

void SetClockSource(std::function<std::uint32_t()> source) {
    clockSource() = std::move(source);
}

}  // namespace Time
