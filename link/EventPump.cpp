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
// Short enough that a reply is seen a fraction of a millisecond after it arrives, long enough
// that a silent device costs almost no processor time.
constexpr auto kIdleSleep = std::chrono::microseconds(350);

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
    if (m_polls < kSpinPolls) {
        ++m_polls;
        return;
    }
    std::this_thread::sleep_for(kIdleSleep);
}

}  // namespace EventPump
