#include "link/DeviceInfoList.h"

#include "link/FTDI.h"

namespace FTDI {
namespace {

constexpr int kDescriptionMaxLength = 64;

// The library may fill a field to its end without a terminating zero byte.
QString text(const char* field, int maxLength) {
    return QString::fromLatin1(field, qstrnlen(field, maxLength));
}

}  // namespace

QList<DeviceInfo> DeviceInfoList() {
    const D2xxApi* api = InstalledApi();
    DWORD count = 0;
    if (api == nullptr || api->CreateDeviceInfoList == nullptr ||
        api->GetDeviceInfoDetail == nullptr || api->CreateDeviceInfoList(&count) != FT_OK) {
        return {};
    }
    QList<DeviceInfo> list;
    for (DWORD index = 0; index < count; ++index) {
        DWORD flags = 0, type = 0, id = 0, locationId = 0;
        char serial[SerialMaxLength + 1] = {};
        char description[kDescriptionMaxLength + 1] = {};
        FT_HANDLE handle = nullptr;
        if (api->GetDeviceInfoDetail(index, &flags, &type, &id, &locationId, serial, description,
                                     &handle) == FT_OK) {
            list.append({text(serial, SerialMaxLength), locationId,
                         text(description, kDescriptionMaxLength)});
        }
    }
    return list;
}

}  // namespace FTDI
