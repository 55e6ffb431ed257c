// The millisecond clock behind every fixed wait, replaceable so tests can cross the counter's wrap.

#include "link/Clock.h"

#include <chrono>
#include <utility>

#include "link/EventPump.h"

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
    const std::uint32_t start = NowMs();
    EventPump::PollPacer pacer;
    // Unsigned subtraction measures the true elapsed time across the counter's wrap.
    while (static_cast<std::int64_t>(NowMs() - start) < ms) {
        EventPump::Run();
        pacer.pause();
    }
}

void SetClockSource(std::function<std::uint32_t()> source) {
    clockSource() = std::move(source);
}

}  // namespace Time
