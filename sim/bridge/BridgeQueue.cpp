// Latency-timer model of the bridge chip's path from device to host.

#include "BridgeQueue.h"

#include <algorithm>

namespace sim {

void BridgeQueue::send(const std::string& bytes, SimTime at) {
    for (const char byte : bytes) {
        m_pending.push_back({static_cast<std::uint8_t>(byte), at});
    }
}

std::optional<BridgeQueue::Forward> BridgeQueue::nextForward() const {
    if (m_pending.empty()) {
        return std::nullopt;
    }
    const SimTime timerEnds = m_pending.front().at + std::chrono::milliseconds(m_latencyMs);
    if (m_pending.size() >= kPacketBytes && m_pending[kPacketBytes - 1].at <= timerEnds) {
        // A full packet goes out as soon as its last byte is in.
        return Forward{m_pending[kPacketBytes - 1].at, kPacketBytes};
    }
    const auto count = std::count_if(m_pending.begin(), m_pending.end(),
                                     [&](const Pending& p) { return p.at <= timerEnds; });
    return Forward{timerEnds, static_cast<std::size_t>(count)};
}

void BridgeQueue::advance(SimTime now) {
    for (auto next = nextForward(); next && next->at <= now; next = nextForward()) {
        for (std::size_t i = 0; i < next->count; ++i) {
            m_host.push_back(m_pending.front().byte);
            m_pending.pop_front();
        }
    }
}

std::size_t BridgeQueue::read(std::uint8_t* out, std::size_t max) {
    const std::size_t count = std::min(max, m_host.size());
    std::copy_n(m_host.begin(), count, out);
    m_host.erase(m_host.begin(), m_host.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
}

void BridgeQueue::clear() {
    m_pending.clear();
    m_host.clear();
}

}  // namespace sim
