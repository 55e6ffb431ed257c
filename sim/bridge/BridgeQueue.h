#pragma once

// The bridge chip between a device and the host, modelled on FTDI's latency timer: bytes the
// device sends wait in the chip until 62 of them are pending or the timer runs out, and only then
// reach the host's receive queue. Everything is computed from time stamps, so no thread is needed.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "SimClock.h"

namespace sim {

class BridgeQueue {
  public:
    void setLatencyMs(int ms) { m_latencyMs = ms; }
    int latencyMs() const { return m_latencyMs; }

    // The device sends these bytes at the given time (which may lie in the future).
    void send(const std::string& bytes, SimTime at);
    // Passes on to the host what the bridge has forwarded by now.
    void advance(SimTime now);
    // When the bridge next passes bytes on; nothing while it holds none.
    std::optional<SimTime> nextForwardAt() const {
        const auto next = nextForward();
        return next ? std::optional<SimTime>(next->at) : std::nullopt;
    }
    std::size_t available() const { return m_host.size(); }
    std::size_t read(std::uint8_t* out, std::size_t max);
    // Nothing in the chip and nothing left for the host to read.
    bool drained() const { return m_pending.empty() && m_host.empty(); }
    void clear();

  private:
    struct Pending {
        std::uint8_t byte;
        SimTime at;
    };

    struct Forward {
        SimTime at;
        std::size_t count;
    };

    static constexpr std::size_t kPacketBytes = 62;

    std::optional<Forward> nextForward() const;

    int m_latencyMs = 16;
    std::deque<Pending> m_pending;
    std::deque<std::uint8_t> m_host;
};

}  // namespace sim
