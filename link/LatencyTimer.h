#pragma once

// The bridge's latency timer on the open port. A bridge holds a short reply until this timer runs
// out, so a stop-and-wait exchange of 1-byte replies runs at its pace. Both calls are optional in
// the library: without them, or on the library's refusal, they give their failure value.

#include <cstdint>
#include <optional>

namespace FTDI {

std::optional<std::uint8_t> GetLatencyTimer();

enum class LatencySetting {
    Set,
    Refused,
    AttributeNotWritable,  // the kernel's driver may not write the port's latency_timer attribute
};
LatencySetting SetLatencyTimer(std::uint8_t ms);

}  // namespace FTDI
