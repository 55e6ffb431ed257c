#pragma once

// The millisecond clock and the paced wait that keeps the window live.

#include <cstdint>
#include <functional>

namespace Time {

// Milliseconds from a monotonic counter, modulo 2^32; only differences are meaningful.
std::uint32_t NowMs();
// Waits at least ms milliseconds, pumping window events between polls; 0 or less returns at once,
// and so does an interrupt request.
void WaitMs(std::int32_t ms);

// For tests: replaces the clock; an empty function restores the real one.
void SetClockSource(std::function<std::uint32_t()> source);

}  // namespace Time
