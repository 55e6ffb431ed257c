#pragma once

// What both faces of the station write, so that the terminal and the window agree.

#include <QString>
#include <optional>

namespace StationTexts {

// "42 s", or "3 min 5 s" from a minute on.
QString Duration(qint64 seconds);
// Hours, minutes and seconds: "1:04:09".
QString Elapsed(qint64 ms);
// "88 %", or "–" before the first unit is done.
QString Yield(std::optional<int> percent);
// The header's "driver serial" and "records to /srv/line/records.jsonl".
QString DriverUsed(const QString& driverName);
QString RecordsTo(const QString& recordFile);
// Why the station starts no new unit, shown where no redraw wipes it.
QString LineStopped(const QString& reason);

}  // namespace StationTexts
