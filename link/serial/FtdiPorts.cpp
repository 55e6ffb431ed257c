#include "link/serial/FtdiPorts.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>

#include "link/serial/UsbSysfs.h"

namespace {

// ttyUSB2 before ttyUSB10.
bool portOrder(const QString& a, const QString& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

}  // namespace

QList<FtdiPort> FtdiPorts(QList<PortDescription> ports) {
    ports.removeIf([](const PortDescription& port) {
        return port.vendor != FtdiVendor || port.serial.isEmpty();
    });
    std::sort(ports.begin(), ports.end(), [](const PortDescription& a, const PortDescription& b) {
        if (a.serial != b.serial) return a.serial < b.serial;
        if (a.channel != b.channel) return a.channel.value_or(-1) < b.channel.value_or(-1);
        return portOrder(a.location, b.location);
    });
    QList<FtdiPort> ftdi;
    for (qsizetype i = 0; i < ports.size(); ++i) {
        qsizetype first = i;
        while (first > 0 && ports[first - 1].serial == ports[i].serial) --first;
        const bool shared =
            first != i || (i + 1 < ports.size() && ports[i + 1].serial == ports[i].serial);
        const qsizetype channel = ports[i].channel.value_or(i - first);
        const QString letter = shared ? QString(QChar(char16_t('A' + channel))) : QString();
        ftdi.append(
            {ports[i].serial + letter, ports[i].location, ports[i].usbPath, ports[i].description});
    }
    return ftdi;
}

PortDescription CompletedFromSysfs(PortDescription port, const QString& sysfsRoot) {
    const UsbPort usb = UsbPortOf(QFileInfo(port.location).fileName(), sysfsRoot);
    if (!port.vendor) port.vendor = usb.vendor;
    if (port.serial.isEmpty()) port.serial = usb.serial;
    port.channel = usb.channel;
    port.usbPath = usb.path;
    if (!usb.product.isEmpty()) port.description = usb.product;
    return port;
}

QList<PortDescription> SystemPorts() {
    QList<PortDescription> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortDescription port;
        if (info.hasVendorIdentifier()) port.vendor = info.vendorIdentifier();
        port.serial = info.serialNumber();
        port.location = info.systemLocation();
        port.description = info.description();
        ports.append(CompletedFromSysfs(port));
    }
    return ports;
}
