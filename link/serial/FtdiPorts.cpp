#include "link/serial/FtdiPorts.h"

#include <QSerialPortInfo>
#include <algorithm>

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
        return a.serial != b.serial ? a.serial < b.serial : portOrder(a.location, b.location);
    });
    QList<FtdiPort> ftdi;
    for (qsizetype i = 0; i < ports.size(); ++i) {
        qsizetype first = i;
        while (first > 0 && ports[first - 1].serial == ports[i].serial) --first;
        const bool shared =
            first != i || (i + 1 < ports.size() && ports[i + 1].serial == ports[i].serial);
        const QString channel = shared ? QString(QChar(char16_t('A' + (i - first)))) : QString();
        ftdi.append({ports[i].serial + channel, ports[i].location});
    }
    return ftdi;
}

QList<PortDescription> SystemPorts() {
    QList<PortDescription> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortDescription port;
        if (info.hasVendorIdentifier()) port.vendor = info.vendorIdentifier();
        port.serial = info.serialNumber();
        port.location = info.systemLocation();
        ports.append(port);
    }
    return ports;
}
