#include "link/serial/SerialLatency.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace SerialLatency {

#ifdef Q_OS_LINUX
namespace {

QString attributePath(const QString& location) {
    // The port may be named through a link, /dev/serial/by-id/...
    const QString name = QFileInfo(QFileInfo(location).canonicalFilePath()).fileName();
    return QStringLiteral("/sys/bus/usb-serial/devices/%1/latency_timer").arg(name);
}

std::optional<int> readAttribute(const QString& path) {
    QFile attribute(path);
    bool number = false;
    const int ms =
        attribute.open(QIODevice::ReadOnly) ? attribute.readAll().trimmed().toInt(&number) : 0;
    return number ? std::optional<int>(ms) : std::nullopt;
}

bool writeAttribute(const QString& path, int ms) {
    QFile attribute(path);
    return attribute.open(QIODevice::WriteOnly) && attribute.write(QByteArray::number(ms)) > 0 &&
           attribute.flush();
}

std::optional<bool> lowLatency(int descriptor) {
    serial_struct settings{};
    if (::ioctl(descriptor, TIOCGSERIAL, &settings) != 0) return std::nullopt;
    return (settings.flags & ASYNC_LOW_LATENCY) != 0;
}

bool setLowLatency(int descriptor, bool on) {
    serial_struct settings{};
    if (::ioctl(descriptor, TIOCGSERIAL, &settings) != 0) return false;
    settings.flags = on ? settings.flags | ASYNC_LOW_LATENCY : settings.flags & ~ASYNC_LOW_LATENCY;
    return ::ioctl(descriptor, TIOCSSERIAL, &settings) == 0;
}

}  // namespace

std::optional<int> Read(const QString& location) {
    // The attribute reads 1 while low-latency mode is on.
    return readAttribute(attributePath(location));
}

bool Write(int descriptor, const QString& location, int ms) {
    const QString attribute = attributePath(location);
    if (!readAttribute(attribute)) return false;
    if (ms == 1 && setLowLatency(descriptor, true)) return true;
    if (lowLatency(descriptor).value_or(false) && !setLowLatency(descriptor, false)) return false;
    return readAttribute(attribute) == ms || writeAttribute(attribute, ms);
}

#else

std::optional<int> Read(const QString&) {
    return std::nullopt;
}

bool Write(int, const QString&, int) {
    return false;
}

#endif

}  // namespace SerialLatency
