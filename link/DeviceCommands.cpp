// The device's command language spelled out once, so a typo in a frame cannot hide in a caller.

#include "link/DeviceCommands.h"

#include <QStringList>

namespace DeviceCommands {
namespace {

QString frame(const char* text) {
    return QString::fromLatin1(text) + QLatin1Char('\n');
}

const QString kMicro = QString(QChar(0xB5));

}  // namespace

QString Identify() {
    return frame("id");
}
QString RunLevel() {
    return frame("runlevel");
}
QString ResetToBoot() {
    return frame("reset ");
}
QString FirmwareKey() {
    return frame("firmkey");
}
QString Monitor() {
    return frame("monitor");
}
QString LedOff() {
    return frame("led off");
}
QString LedOn() {
    return frame("led on");
}
QString Reset() {
    return frame("reset");
}

QString IdentityReply() {
    return QStringLiteral("id ") + kMicro + QStringLiteral("Tarvellon");
}
QString AppRunLevel() {
    return QStringLiteral("runlevel app");
}
QString BootRunLevel() {
    return QStringLiteral("runlevel boot");
}

QString ExpectedKeyReply(const QString& imageKey) {
    return QStringLiteral("firmkey ") + imageKey;
}

QString AcceptedKeyReply(const QString& deviceReply) {
    const QString keyReply = QStringLiteral("firmkey ") + kMicro + QStringLiteral("TARVEL");
    static const QStringList aliases = {keyReply + '1', keyReply + '2', keyReply + '3',
                                        keyReply + '4', keyReply + '5'};
    return aliases.contains(deviceReply) ? keyReply + '0' : deviceReply;
}

}  // namespace DeviceCommands
