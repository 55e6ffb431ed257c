#include "link/serial/SerialLatency.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace SerialLatency {

#ifdef Q_OS_LINUX
namespace {

QString attributePath(const QString& location, const QString& sysfsRoot) {
    // The port may be named through a link, /dev/serial/by-id/...
    const QString canonical = QFileInfo(location).canonicalFilePath();
    const QString name = QFileInfo(canonical.isEmpty() ? location : canonical).fileName();
    return QStringLiteral("%1/bus/usb-serial/devices/%2/latency_timer").arg(sysfsRoot, name);
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

std::optional<int> Read(const QString& location, const QString& sysfsRoot) {
    // The attribute reads 1 while low-latency mode is on.
    return readAttribute(attributePath(location, sysfsRoot));
}

WriteOutcome Write(int descriptor, const QString& location, int ms, const QString& sysfsRoot) {
    const QString attribute = attributePath(location, sysfsRoot);
    if (!readAttribute(attribute)) return WriteOutcome::Refused;
    if (ms == 1 && setLowLatency(descriptor, true)) return WriteOutcome::Set;
    if (lowLatency(descriptor).value_or(false) && !setLowLatency(descriptor, false)) {
        return WriteOutcome::Refused;
    }
    if (readAttribute(attribute) == ms || writeAttribute(attribute, ms)) return WriteOutcome::Set;
    return ::access(QFile::encodeName(attribute).constData(), W_OK) != 0 ? WriteOutcome::NotWritable
                                                                         : WriteOutcome::Refused;
}

#else

std::optional<int> Read(const QString&, const QString&) {
    return std::nullopt;
}

WriteOutcome Write(int, const QString&, int, const QString&) {
    return WriteOutcome::Refused;
}

#endif

}  // namespace SerialLatency
