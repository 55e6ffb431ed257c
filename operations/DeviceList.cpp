// Listing the attached bridges; the count is taken once, before any serial number is read.

#include "operations/DeviceList.h"

#include <cstdint>

#include "link/DeviceInfoList.h"
#include "link/FTDI.h"
#include "link/serial/KernelSerial.h"

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

namespace {

void addKernelDetails(Details& device, std::int32_t index) {
    if (const std::optional<FtdiPort> port = KernelSerial::ListedPort(index)) {
        device.location = port->usbPath;
        device.port = port->location;
        device.description = port->description;
    }
}

// The library's information list may be ordered otherwise than its serial numbers by index, and
// leaves out what it cannot read of a bridge that is open; a location id of 0 is none.
void addLibraryDetails(Details& device, const QList<FTDI::DeviceInfo>& infoList) {
    for (const FTDI::DeviceInfo& info : infoList) {
        if (!device.serial.isEmpty() && info.serial == device.serial) {
            if (info.locationId != 0) {
                device.location = QStringLiteral("0x%1").arg(info.locationId, 0, 16);
            }
            device.description = info.description;
            return;
        }
    }
}

}  // namespace

QList<Details> ScanDetails() {
    QList<Details> details;
    const FTDI::D2xxApi* api = FTDI::InstalledApi();
    if (api == nullptr) return details;
    const bool kernel = api == KernelSerial::Api();
    const std::int32_t count = FTDI::CountDevices();
    const QList<FTDI::DeviceInfo> infoList =
        kernel ? QList<FTDI::DeviceInfo>() : FTDI::DeviceInfoList();
    for (std::int32_t index = 0; index < count; ++index) {
        Details device;
        device.serial = FTDI::DeviceSerialByIndex(index);
        if (kernel) {
            addKernelDetails(device, index);
        } else {
            addLibraryDetails(device, infoList);
        }
        details.append(device);
    }
    return details;
}

OpenFailure Explained(OpenFailure failure, const QString& serial) {
    if (failure.kind == OpenFailure::Kind::Unexplained && !Scan().contains(serial)) {
        failure.kind = OpenFailure::Kind::NotListed;
    }
    return failure;
}

}  // namespace DeviceList
