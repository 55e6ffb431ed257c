#pragma once

// The entries of the device list: the serial numbers of the attached bridges in the library's
// index order, or the one entry that says why there are none.

#include <QString>
#include <QStringList>

#include "link/OpenFailure.h"

namespace DeviceList {

inline const QString NoDeviceFound = QStringLiteral("No device found.");
inline const QString DriverNotInstalled = QStringLiteral("Driver not installed");

// Without a loaded library it first tries to load it again, so a driver installed while the
// program runs is found by the next scan. An entry is "" where a serial number query fails.
QStringList Scan();

// What the command line and the station show of an attached bridge beyond its serial number.
struct Details {
    QString serial;
    // Where it hangs: the USB path (1-1.4) through the kernel's driver, the library's location id
    // in hexadecimal (0x1142) through the vendor's library; "" when the driver does not say.
    QString location;
    QString port;  // the path it is opened by (/dev/ttyUSB0); "" through the vendor's library
    QString description;  // as the driver reports it; "" when it does not
    bool operator==(const Details&) const = default;
};

// The attached bridges with their details, in the order of Scan(). Never called by the window:
// it may ask the library more than the window's own calls.
QList<Details> ScanDetails();

// A failed open that the vendor's library gave no reason for is explained by a scan: a serial
// number not listed is not attached. Any other failure is handed back as it is.
OpenFailure Explained(OpenFailure failure, const QString& serial);

}  // namespace DeviceList
