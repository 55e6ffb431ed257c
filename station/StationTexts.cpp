#include "station/StationTexts.h"

namespace StationTexts {

QString Duration(qint64 seconds) {
    return seconds >= 60 ? QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60)
                         : QStringLiteral("%1 s").arg(seconds);
}

QString Elapsed(qint64 ms) {
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QChar('0'))
        .arg(seconds % 60, 2, 10, QChar('0'));
}

QString Yield(std::optional<int> percent) {
    return percent ? QStringLiteral("%1 %").arg(*percent) : QStringLiteral("–");
}

QString DriverUsed(const QString& driverName) {
    return QStringLiteral("driver ") + driverName;
}

QString RecordsTo(const QString& recordFile) {
    return QStringLiteral("records to ") + recordFile;
}

QString LineStopped(const QString& reason) {
    return QStringLiteral("LINE STOPPED, no new unit is started: ") + reason;
}

}  // namespace StationTexts
