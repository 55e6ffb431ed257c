// The one place a wait hands control back to the window, and the pacing that keeps polls cheap.

#include "link/EventPump.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

namespace EventPump {
namespace {

// A reply usually follows within a few polls; spinning that long keeps round trips short.
constexpr int kSpinPolls = 50;
// Replies come within some tens of milliseconds of a command (the bridge's latency timer is 16 ms
// by default), so for that long the polls stay close and pick a reply up a fraction of a
// millisecond after it arrives. Past that the device is busy or silent, and a reply picked up a
// millisecond later costs nothing: the sleeps grow, and an idle wait costs almost no processor.
// After a second of silence a reply is late anyway, and each wake-up costs more than a reply
// picked up some milliseconds later; the window's events still run twenty times a second.
constexpr auto kPromptPhase = std::chrono::milliseconds(50);
constexpr auto kPromptSleep = std::chrono::microseconds(250);
constexpr auto kSleepGrowth = std::chrono::microseconds(100);
constexpr auto kLongestSleep = std::chrono::microseconds(2000);
constexpr auto kSilentPhase = std::chrono::seconds(1);
constexpr auto kSilentSleep = std::chrono::microseconds(50000);

std::function<void()>& replacement() {
    static std::function<void()> pump;
    return pump;
}

}  // namespace

void Run() {
    if (replacement()) {
        replacement()();
    } else if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::processEvents();
    }
}

void Set(std::function<void()> pump) {
    replacement() = std::move(pump);
}

void PollPacer::pause(std::chrono::microseconds untilDeadline) {
    if (m_polls < kSpinPolls) {
        ++m_polls;
        return;
    }
    const auto waited = std::chrono::steady_clock::now() - m_start;
    m_sleep = waited < kPromptPhase   ? kPromptSleep
              : waited < kSilentPhase ? std::min(m_sleep + kSleepGrowth, kLongestSleep)
                                      : kSilentSleep;
    std::this_thread::sleep_for(std::min(m_sleep, untilDeadline));
}

}  // namespace EventPump
