#pragma once

// The library's own list of the attached bridges says more of each than FT_ListDevices: where it
// hangs and how it names itself. Both calls are optional in the library and never made by the
// window; without them the list is empty.

#include <QList>
#include <QString>

#include "link/D2xxApi.h"

namespace FTDI {

struct DeviceInfo {
    QString serial;
    DWORD locationId = 0;
    QString description;
};

QList<DeviceInfo> DeviceInfoList();

}  // namespace FTDI
