#include "link/Interrupt.h"

#include <atomic>

namespace Interrupt {
namespace {

// A signal handler may only touch a lock-free atomic.
static_assert(std::atomic<bool>::is_always_lock_free);
std::atomic<bool> requested{false};

}  // namespace

void Request() {
    requested.store(true, std::memory_order_relaxed);
}

bool Requested() {
    return requested.load(std::memory_order_relaxed);
}

}  // namespace Interrupt
