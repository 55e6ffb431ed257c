#include "link/ReceiveEvent.h"

#include <pthread.h>
#include <time.h>

namespace FTDI::ReceiveEvent {
namespace {

// What the Linux library takes as the event handle, laid out as FTDI documents it: when bytes
// arrive, it locks the mutex and signals the condition.
struct ConditionAndMutex {
    pthread_cond_t condition;
    pthread_mutex_t mutex;
    int unused;
};

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

ConditionAndMutex& event() {
    static ConditionAndMutex* const made = makeEvent();
    return *made;
}

}  // namespace

void* Handle() {
    return &event();
}

void Wait(int ms, const std::function<bool()>& queueEmpty) {
    ConditionAndMutex& pair = event();
    timespec until{};
    clock_gettime(CLOCK_MONOTONIC, &until);
    const long long nanoseconds = until.tv_nsec + ms * 1'000'000LL;
    until.tv_sec += static_cast<time_t>(nanoseconds / 1'000'000'000);
    until.tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
    pthread_mutex_lock(&pair.mutex);
    // Looked at under the lock the library signals under: bytes that arrive after the look wake
    // the wait.
    if (queueEmpty()) {
        pthread_cond_timedwait(&pair.condition, &pair.mutex, &until);
    }
    pthread_mutex_unlock(&pair.mutex);
}

}  // namespace FTDI::ReceiveEvent
