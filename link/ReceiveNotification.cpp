#include "link/ReceiveNotification.h"

#include <algorithm>

#include "link/FTDI.h"
#include "link/ReceiveEvent.h"

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

}  // namespace

bool ArmReceiveNotification() {
    const D2xxApi* api = InstalledApi();
    const bool armed =
        api != nullptr && api->SetEventNotification != nullptr && PortHandle.isOpen() &&
        api->SetEventNotification(PortHandle.raw(), FT_EVENT_RXCHAR, ReceiveEvent::Handle()) ==
            FT_OK;
    g_armedPort = armed ? PortHandle : DeviceHandle::none();
    return armed;
}

bool AwaitReceive(int ms) {
    const D2xxApi* api = InstalledApi();
    if (api == nullptr || !g_armedPort.isOpen() || !(g_armedPort == PortHandle)) {
        return false;
    }
    ReceiveEvent::Wait(std::clamp(ms, 0, kLongestBlockMs), [api] { return queueEmpty(*api); });
    return true;
}

}  // namespace FTDI
