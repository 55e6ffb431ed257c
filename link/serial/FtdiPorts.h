#pragma once

// Which serial ports are FTDI bridges, and under which names the device list shows them. A pure
// function over port descriptions, so the choice holds against a list without a bridge attached.

#include <QList>
#include <QString>
#include <optional>

struct PortDescription {
    std::optional<quint16> vendor;  // USB vendor id; nothing for a port that is not USB
    QString serial;                 // USB serial number; "" when the device reports none
    QString location;               // the path to open, /dev/ttyUSB0
    std::optional<int> channel{};   // the chip's interface: 0 is channel A
    QString usbPath{};              // where the bridge hangs: 1-1.4
    QString description{};
};

struct FtdiPort {
    QString serial;
    QString location;
    QString usbPath{};
    QString description{};
    bool operator==(const FtdiPort&) const = default;
};

inline constexpr quint16 FtdiVendor = 0x0403;

// The ports of FTDI bridges that report a serial number, ordered by serial number, so the list
// reads the same whichever order the bridges were plugged in. The channels of a multi-channel chip
// share its serial number; as the vendor's library does, each gets a letter (A, B, ...): that of
// its channel, or where that is unknown, of its place in the order of the ports.
QList<FtdiPort> FtdiPorts(QList<PortDescription> ports);

// A port as Qt describes it, completed from sysfs: the vendor and serial number where Qt found
// none (no udev database), and the channel, USB path and product string, which Qt never gives.
PortDescription CompletedFromSysfs(PortDescription port,
                                   const QString& sysfsRoot = QStringLiteral("/sys"));

// The serial ports the system has now.
QList<PortDescription> SystemPorts();
