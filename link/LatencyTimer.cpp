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

LatencySetting SetLatencyTimer(std::uint8_t ms) {
    const D2xxApi* api = InstalledApi();
    if (api == nullptr || api->SetLatencyTimer == nullptr) {
        return LatencySetting::Refused;
    }
    switch (api->SetLatencyTimer(PortHandle.raw(), ms)) {
        case FT_OK:
            return LatencySetting::Set;
        case FT_DEVICE_NOT_OPENED_FOR_WRITE:
            return LatencySetting::AttributeNotWritable;
        default:
            return LatencySetting::Refused;
    }
}

}  // namespace FTDI
