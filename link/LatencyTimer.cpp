#include "link/LatencyTimer.h"

#include "link/FTDI.h"

namespace FTDI {

std::optional<std::uint8_t> GetLatencyTimer() {
    const D2xxApi* api = InstalledApi();
    UCHAR ms = 0;
    if (api == nullptr || api->GetLatencyTimer == nullptr ||
        api->GetLatencyTimer(PortHandle.raw(), &ms) != FT_OK) {
        return std::nullopt;
    }
    return ms;
}

bool SetLatencyTimer(std::uint8_t ms) {
    const D2xxApi* api = InstalledApi();
    return api != nullptr && api->SetLatencyTimer != nullptr &&
           api->SetLatencyTimer(PortHandle.raw(), ms) == FT_OK;
}

}  // namespace FTDI
