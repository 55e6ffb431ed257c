#include "station/AttemptLine.h"

#include <QCoreApplication>
#include <QSysInfo>
#include <QUuid>

#include "operations/FailureHint.h"

namespace AttemptLine {
namespace {

const QString kState = QStringLiteral("state");
const QString kStarted = QStringLiteral("started");
const QString kStartedAt = QStringLiteral("started_at");
const QString kPid = QStringLiteral("pid");
// Raised when a field changes meaning or goes; a field added leaves it as it is.
constexpr int kSchemaVersion = 1;

QJsonValue textOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QString utc(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}

// The started line without what marks it as one.
QJsonObject identity(const QJsonObject& started) {
    QJsonObject line = started;
    line.remove(kState);
    line.remove(kPid);
    return line;
}

}  // namespace

QString NewAttempt() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

bool IsWhole(const QJsonObject& line) {
    if (!line.value(QStringLiteral("serial")).isString()) return false;
    return IsStarted(line) ? !Attempt(line).isEmpty() : line.contains(QStringLiteral("outcome"));
}

bool IsStarted(const QJsonObject& line) {
    return line.value(kState) == kStarted;
}

QString Serial(const QJsonObject& line) {
    return line.value(QStringLiteral("serial")).toString();
}

QString Attempt(const QJsonObject& line) {
    return line.value(QStringLiteral("attempt")).toString();
}

bool Passed(const QJsonObject& closing) {
    return closing.value(QStringLiteral("outcome")) == QStringLiteral("upgraded");
}

QJsonObject Started(const QString& attempt, const QString& serial, const QString& image,
                    const UpgradeReport& report, int earlier, const Place& place,
                    const QDateTime& startedAt) {
    const QString host = QSysInfo::machineHostName();
    return {{kState, kStarted},
            {"schema_version", kSchemaVersion},
            {"attempt", attempt},
            {kPid, QCoreApplication::applicationPid()},
            {kStartedAt, utc(startedAt)},
            {"host", host},
            {"station", place.slot.isEmpty()
                            ? QJsonValue()
                            : QJsonValue(place.station.isEmpty() ? host : place.station)},
            {"slot", textOrNull(place.slot)},
            {"location", textOrNull(place.location)},
            {"program_version", QCoreApplication::applicationVersion()},
            {"serial", serial},
            {"image", image},
            {"image_sha256", report.imageSha256()},
            {"image_key", report.imageKey},
            {"records", report.records},
            {"earlier_records", earlier}};
}

QJsonObject Closing(const QJsonObject& started, const QJsonObject& endFields) {
    QJsonObject line = identity(started);
    for (auto field = endFields.begin(); field != endFields.end(); ++field) {
        // The record file has always named the device's key this way.
        const bool deviceKey = field.key() == QStringLiteral("device_key");
        line.insert(deviceKey ? QStringLiteral("firmware_key") : field.key(), field.value());
    }
    line.remove(QStringLiteral("event"));
    line.insert(QStringLiteral("ended_at"), utc(QDateTime::currentDateTimeUtc()));
    return line;
}

QJsonObject ProcessDied(const QJsonObject& started, const QJsonValue& exitCode,
                        int recordsAcknowledged) {
    const QDateTime endedAt = QDateTime::currentDateTimeUtc();
    const QDateTime startedAt =
        QDateTime::fromString(started.value(kStartedAt).toString(), Qt::ISODateWithMs);
    QJsonObject line = identity(started);
    line.insert(QStringLiteral("ended_at"), utc(endedAt));
    line.insert(QStringLiteral("firmware_key"), QJsonValue());
    line.insert(QStringLiteral("records_acknowledged"), recordsAcknowledged);
    line.insert(QStringLiteral("duration_ms"), startedAt.msecsTo(endedAt));
    line.insert(QStringLiteral("outcome"), QStringLiteral("process_died"));
    line.insert(QStringLiteral("exit_code"), exitCode);
    line.insert(QStringLiteral("failed_step"), QStringLiteral("process"));
    line.insert(QStringLiteral("detail"), QJsonValue());
    line.insert(QStringLiteral("hint"), FailureHint({.step = QStringLiteral("process"),
                                                     .cause = FailureCause::ProcessDied}));
    return line;
}

}  // namespace AttemptLine
