// The one place a wait hands control back to the window, and the pacing that keeps polls cheap.

#include "link/EventPump.h"

#include <QCoreApplication>
#include <chrono>
#include <thread>
#include <utility>

namespace EventPump {
namespace {

// A reply usually follows within a few polls; spinning that long keeps round trips short.
constexpr int kSpinPolls = 50;
// Replies come within some tens of milliseconds (the bridge's latency timer is 16 ms by default),
// so the first polls are close together and pick a reply up a fraction of a millisecond after it
// arrives. A wait that has gone on longer faces a silent device: polls further apart cost less.
constexpr int kPromptPolls = kSpinPolls + 150;
constexpr auto kPromptSleep = std::chrono::microseconds(250);
constexpr auto kIdleSleep = std::chrono::microseconds(500);

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

void PollPacer::pause() {
    if (m_polls < kPromptPolls) {
        ++m_polls;
    }
    if (m_polls <= kSpinPolls) {
        return;
    }
    std::this_thread::sleep_for(m_polls < kPromptPolls ? kPromptSleep : kIdleSleep);
}

}  // namespace EventPump
