#pragma once

// Where a station's messages go on the line's broker, one folder of topics a station:
// tarvellon/LINE/STATION/attempts, .../status and .../online.

#include <QString>
#include <QStringList>

namespace Topics {

// The record file's lines, unchanged, at least once and in file order.
QString Attempts(const QString& line, const QString& station);
// The station's state, retained: what a view that starts later reads first.
QString Status(const QString& line, const QString& station);
// Whether the station is connected, retained; the broker sends the station's last will here.
QString Online(const QString& line, const QString& station);

// What a view of the line subscribes to: every station's status and online topics.
QStringList LineFilters(const QString& line);

// A topic of the line that no station uses: a view subscribes to it to learn when the retained
// messages have all come.
QString Marker(const QString& line);

enum class Kind { Other, Status, Online };
struct Parsed {
    Kind kind = Kind::Other;
    QString station;
};
// Which station's message a topic of `line` carries.
Parsed Parse(const QString& line, const QString& topic);

}  // namespace Topics
