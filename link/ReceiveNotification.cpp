#include "link/ReceiveNotification.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <time.h>
#endif

#include "link/FTDI.h"

namespace FTDI {
namespace {

// A signal handler cannot wake a blocked wait, so no block outlasts this.
constexpr int kLongestBlockMs = 50;

// Compared with the port on every wait: an armed port that was closed is not the open one.
DeviceHandle g_armedPort = DeviceHandle::none();

// A queue the library cannot report on is not waited for: the caller's next poll sees the error.
bool queueEmpty(const D2xxApi& api) {
    DWORD rxBytes = 0;
    DWORD txBytes = 0;
    DWORD eventStatus = 0;
    return api.GetStatus(PortHandle.raw(), &rxBytes, &txBytes, &eventStatus) == FT_OK &&
           rxBytes == 0;
}

#ifdef _WIN32

// The library sets this event when bytes arrive. It stays set until a wait takes it, so a signal
// given between the look at the queue and the wait is not lost.
HANDLE receiveEvent() {
    static const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return event;
}

void* eventHandle() {
    return receiveEvent();
}

void block(const D2xxApi& api, int ms) {
    if (queueEmpty(api)) {
        WaitForSingleObject(receiveEvent(), static_cast<DWORD>(ms));
    }
}

#else

// What the Linux library takes as the event handle, laid out as FTDI documents it: when bytes
// arrive, it locks the mutex and signals the condition.
struct ConditionAndMutex {
    pthread_cond_t condition;
    pthread_mutex_t mutex;
    int unused;
};

// Never freed: the library may signal it until the process ends.
ConditionAndMutex* makeEvent() {
    auto* event = new ConditionAndMutex{};
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    // Timed waits on the monotonic clock, which a change of the system time does not move.
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    pthread_cond_init(&event->condition, &attributes);
    pthread_condattr_destroy(&attributes);
    pthread_mutex_init(&event->mutex, nullptr);
    return event;
}

ConditionAndMutex& receiveEvent() {
    static ConditionAndMutex* const event = makeEvent();
    return *event;
}

void* eventHandle() {
    return &receiveEvent();
}

void block(const D2xxApi& api, int ms) {
    ConditionAndMutex& event = receiveEvent();
    timespec until{};
    clock_gettime(CLOCK_MONOTONIC, &until);
    const long long nanoseconds = until.tv_nsec + ms * 1'000'000LL;
    until.tv_sec += static_cast<time_t>(nanoseconds / 1'000'000'000);
    until.tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
    pthread_mutex_lock(&event.mutex);
    // Looked at under the lock the library signals under: bytes that arrive after the look wake
    // the wait.
    if (queueEmpty(api)) {
        pthread_cond_timedwait(&event.condition, &event.mutex, &until);
    }
    pthread_mutex_unlock(&event.mutex);
}

#endif

}  // namespace

bool ArmReceiveNotification() {
    const D2xxApi* api = InstalledApi();
    const bool armed =
        api != nullptr && api->SetEventNotification != nullptr && PortHandle.isOpen() &&
        api->SetEventNotification(PortHandle.raw(), FT_EVENT_RXCHAR, eventHandle()) == FT_OK;
    g_armedPort = armed ? PortHandle : DeviceHandle::none();
    return armed;
}

bool AwaitReceive(int ms) {
    const D2xxApi* api = InstalledApi();
    if (api == nullptr || !g_armedPort.isOpen() || !(g_armedPort == PortHandle)) {
        return false;
    }
    block(*api, std::clamp(ms, 0, kLongestBlockMs));
    return true;
}

}  // namespace FTDI
