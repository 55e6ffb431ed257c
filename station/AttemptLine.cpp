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
    QJsonObject record = started;
    record.remove(kState);
    record.remove(kPid);
    return record;
}

}  // namespace

QString NewAttempt() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

bool IsWhole(const QJsonObject& record) {
    return record.value(QStringLiteral("serial")).isString() &&
           (IsStarted(record) || record.contains(QStringLiteral("outcome")));
}

bool IsStarted(const QJsonObject& record) {
    return record.value(kState) == kStarted;
}

QString Serial(const QJsonObject& record) {
    return record.value(QStringLiteral("serial")).toString();
}

QString Attempt(const QJsonObject& record) {
    return record.value(QStringLiteral("attempt")).toString();
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
            {"station", place.slot.isEmpty() ? QJsonValue() : QJsonValue(host)},
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
    QJsonObject record = identity(started);
    for (auto field = endFields.begin(); field != endFields.end(); ++field) {
        // The record has always named the device's key this way.
        const bool deviceKey = field.key() == QStringLiteral("device_key");
        record.insert(deviceKey ? QStringLiteral("firmware_key") : field.key(), field.value());
    }
    record.remove(QStringLiteral("event"));
    record.insert(QStringLiteral("ended_at"), utc(QDateTime::currentDateTimeUtc()));
    return record;
}

QJsonObject ProcessDied(const QJsonObject& started, const QJsonValue& exitCode,
                        int recordsAcknowledged) {
    const QDateTime endedAt = QDateTime::currentDateTimeUtc();
    const QDateTime startedAt =
        QDateTime::fromString(started.value(kStartedAt).toString(), Qt::ISODateWithMs);
    QJsonObject record = identity(started);
    record.insert(QStringLiteral("ended_at"), utc(endedAt));
    record.insert(QStringLiteral("firmware_key"), QJsonValue());
    record.insert(QStringLiteral("records_acknowledged"), recordsAcknowledged);
    record.insert(QStringLiteral("duration_ms"), startedAt.msecsTo(endedAt));
    record.insert(QStringLiteral("outcome"), QStringLiteral("process_died"));
    record.insert(QStringLiteral("exit_code"), exitCode);
    record.insert(QStringLiteral("failed_step"), QStringLiteral("process"));
    record.insert(QStringLiteral("detail"), QJsonValue());
    record.insert(QStringLiteral("hint"), FailureHint({.step = QStringLiteral("process"),
                                                       .cause = FailureCause::ProcessDied}));
    return record;
}

}  // namespace AttemptLine
