#pragma once

// The lines of one attempt in the record file (README.md names their fields). The started line
// says what is about to be flashed; the closing line is the upgrade's closing event with the
// started line's identity, so a field the event gains reaches the record file as well.

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include "operations/UpgradeReport.h"

namespace AttemptLine {

// A new attempt's identity, unique across hosts and runs.
QString NewAttempt();

// Whether a line read back is an attempt line at all: a closing line with its serial, or a
// started line with its serial and the attempt a closing line would name.
bool IsWhole(const QJsonObject& line);
bool IsStarted(const QJsonObject& line);
QString Serial(const QJsonObject& line);
QString Attempt(const QJsonObject& line);
// Whether a closing line says the unit passed: the one place that decides PASS.
bool Passed(const QJsonObject& closing);

// Where an attempt runs, as its station knows it: the station's name, the slot's name (else its
// number) and the location of the port it hangs on. An upgrade run on its own has none of them.
struct Place {
    QString slot;
    QString location;  // "" when the driver does not say
    QString station;   // "" for the host's name
};

// Written before the device is opened; `earlier` counts the serial's attempts the file held.
QJsonObject Started(const QString& attempt, const QString& serial, const QString& image,
                    const UpgradeReport& report, int earlier, const Place& place,
                    const QDateTime& startedAt = QDateTime::currentDateTimeUtc());
// From the closing event's fields, written once the device is closed again.
QJsonObject Closing(const QJsonObject& started, const QJsonObject& endFields);
// For an upgrade process that ended without closing its attempt; `exitCode` null after a crash.
QJsonObject ProcessDied(const QJsonObject& started, const QJsonValue& exitCode,
                        int recordsAcknowledged);

}  // namespace AttemptLine
