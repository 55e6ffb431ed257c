#pragma once

// One clock for the whole simulation, so reply times, latency and transcript stamps agree.

#include <chrono>

namespace sim {

using SimClock = std::chrono::steady_clock;
using SimTime = SimClock::time_point;

}  // namespace sim
