#include "link/ReceiveEvent.h"

#include <windows.h>

namespace FTDI::ReceiveEvent {
namespace {

// Auto-reset: it stays set until a wait takes it, so a signal given between the look at the queue
// and the wait is not lost.
HANDLE event() {
    static const HANDLE made = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return made;
}

}  // namespace

void* Handle() {
    return event();
}

void Wait(int ms, const std::function<bool()>& queueEmpty) {
    if (queueEmpty()) {
        WaitForSingleObject(event(), static_cast<DWORD>(ms));
    }
}

}  // namespace FTDI::ReceiveEvent
