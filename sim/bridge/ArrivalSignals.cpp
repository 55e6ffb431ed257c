// Receive notification. The vendor's library signals the host from a thread of its own when bytes
// arrive. Here replies are scheduled in time and become readable when the host looks, so a thread
// looks on the host's behalf at the moment the next bytes are due, and signals.

#include <algorithm>
#include <optional>
#include <thread>
#include <vector>

#include "Bridge.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <sys/prctl.h>
#endif

namespace sim {
namespace {

#ifdef _WIN32

// The host's event object.
void signalHost(void* event) {
    SetEvent(static_cast<HANDLE>(event));
}

#else

// The pair the host passes on Linux, laid out as FTDI documents it.
struct ConditionAndMutex {
    pthread_cond_t condition;
    pthread_mutex_t mutex;
    int unused;
};

// Under the host's mutex, as the host may look at its queue under it just before it waits.
void signalHost(void* event) {
    auto* pair = static_cast<ConditionAndMutex*>(event);
    pthread_mutex_lock(&pair->mutex);
    pthread_cond_signal(&pair->condition);
    pthread_mutex_unlock(&pair->mutex);
}

#endif

}  // namespace

void Bridge::signalArrivals(void* handle, void* event) {
    const auto key = reinterpret_cast<std::uintptr_t>(handle);
    if (event == nullptr) {
        m_arrivalEvents.erase(key);
    } else {
        m_arrivalEvents[key] = event;
    }
    if (!m_signalling) {
        m_signalling = true;
        // Never joined: like the bridge itself, it lasts as long as the process.
        std::thread([this] { signalLoop(); }).detach();
    }
    m_scheduleChanged.notify_one();
}

void Bridge::signalLoop() {
#ifndef _WIN32
    // A reply is signalled when it is due, not up to the default 50 us later.
    prctl(PR_SET_TIMERSLACK, 1UL);
#endif
    std::unique_lock<std::mutex> held(m_mutex);
    for (;;) {
        const SimTime now = SimClock::now();
        std::vector<void*> due;
        std::optional<SimTime> next;
        for (const auto& [handle, event] : m_arrivalEvents) {
            SimDevice* device = m_handles.at(handle);
            if (device->unplugged()) {
                continue;
            }
            const std::size_t before = device->available();
            device->advance(now);
            if (device->available() > before) {
                due.push_back(event);
            }
            const std::optional<SimTime> arrival = device->nextDeliveryAt();
            if (arrival && (!next || *arrival < *next)) {
                next = arrival;
            }
        }
        if (!due.empty()) {
            // The host takes its own mutex and then this lock: never both the other way round.
            held.unlock();
            std::for_each(due.begin(), due.end(), signalHost);
            held.lock();
        } else if (next) {
            m_scheduleChanged.wait_until(held, *next);
        } else {
            m_scheduleChanged.wait(held);
        }
    }
}

}  // namespace sim
