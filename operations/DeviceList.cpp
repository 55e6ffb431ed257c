// Listing the attached bridges; the count is taken once, before any serial number is read.

#include "operations/DeviceList.h"

#include <cstdint>

#include "link/FTDI.h"

namespace DeviceList {

QStringList Scan() {
    if (FTDI::InstalledApi() == nullptr && !FTDI::LoadDriverLibrary()) {
        return {DriverNotInstalled};
    }
    const std::int32_t count = FTDI::CountDevices();
    if (count <= 0) {
        return {NoDeviceFound};
    }
    QStringList entries;
    for (std::int32_t index = 0; index < count; ++index) {
        entries.append(FTDI::DeviceSerialByIndex(index));
    }
    return entries;
}

QList<Details> ScanDetails() {
    QList<Details> details;
    if (FTDI::InstalledApi() == nullptr) return details;
    const std::int32_t count = FTDI::CountDevices();
    for (std::int32_t index = 0; index < count; ++index) {
        Details device;
        device.serial = FTDI::DeviceSerialByIndex(index);
        details.append(device);
    }
    return details;
}

}  // namespace DeviceList
