#pragma once

// The entries of the device list: the serial numbers of the attached bridges in the library's
// index order, or the one entry that says why there are none.

#include <QString>
#include <QStringList>

namespace DeviceList {

inline const QString NoDeviceFound = QStringLiteral("No device found.");
inline const QString DriverNotInstalled = QStringLiteral("Driver not installed");

// Without a loaded library it first tries to load it again, so a driver installed while the
// program runs is found by the next scan. An entry is "" where a serial number query fails.
QStringList Scan();

}  // namespace DeviceList
