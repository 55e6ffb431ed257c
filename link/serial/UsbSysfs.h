#pragma once

// What sysfs tells of the USB bridge behind a serial port. Qt takes the vendor and serial number
// from udev's database, which a container, a minimal system or a system before udevd has run
// lacks; sysfs holds them all the same, and the bridge's USB path (1-1.4), which names the socket
// it is plugged into.

#include <QString>
#include <optional>

struct UsbPort {
    std::optional<quint16> vendor;  // nothing when the port is not on USB
    QString serial;
    std::optional<int> channel;  // the interface the port is: 0 for channel A of a multi-port chip
    QString path;                // the device's name under bus/usb/devices
    QString product;
};

// For a port named like ttyUSB0; the root is replaceable so tests can hand in a tree of their own.
UsbPort UsbPortOf(const QString& ttyName, const QString& sysfsRoot = QStringLiteral("/sys"));
