#include "link/serial/UsbSysfs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// An attribute's text without its closing line feed; "" when it cannot be read.
QString attribute(const QDir& folder, const char* name) {
    QFile file(folder.filePath(QLatin1String(name)));
    QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (text.endsWith('\n')) text.chop(1);
    return QString::fromUtf8(text);
}

std::optional<int> hexAttribute(const QDir& folder, const char* name) {
    bool number = false;
    const int value = attribute(folder, name).toInt(&number, 16);
    return number ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

UsbPort UsbPortOf(const QString& ttyName, const QString& sysfsRoot) {
    UsbPort port;
    const QString root = QFileInfo(sysfsRoot).canonicalFilePath() + u'/';
    // The kernel's USB serial drivers hang the tty on a port of the bridge's interface, cdc-acm on
    // the interface itself; the USB device is the first folder up with a vendor id.
    QString folder =
        QFileInfo(sysfsRoot + QStringLiteral("/class/tty/") + ttyName + QStringLiteral("/device"))
            .canonicalFilePath();
    for (int up = 0; up < 3 && folder.startsWith(root); ++up) {
        const QDir here(folder);
        if (!port.channel) port.channel = hexAttribute(here, "bInterfaceNumber");
        if (const std::optional<int> vendor = hexAttribute(here, "idVendor")) {
            port.vendor = quint16(*vendor);
            port.serial = attribute(here, "serial");
            port.product = attribute(here, "product");
            port.path = here.dirName();
            return port;
        }
        folder = QFileInfo(folder).path();
    }
    return {};
}
