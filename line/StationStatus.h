#pragma once

// The station as the line sees it: the body of its retained status message, built from the plain
// values the station engine gives its own faces, so that a view of the whole line says what the
// station's screen says. README.md names the fields; the publisher adds the names, the backlog
// and the time.

#include <QJsonObject>
#include <QList>
#include <optional>

#include "station/StationValues.h"

struct StationState {
    enum class Run { Running, Stopping, Stopped, LineStopped };
    Run run = Run::Stopped;
    QString lineStopped;  // why, with Run::LineStopped
    ImageSummary image;
    QList<SlotView> slotViews;
    Totals totals;
    QJsonObject lastFailure;  // the closing line of the latest failed attempt; empty before one
};

namespace StationStatus {

QJsonObject Body(const StationState& state);
// passed, failed, yield_percent (null before the first unit is done) and last_hour: the figures
// of a station's status and of the whole line's totals.
QJsonObject Figures(int passed, int failed, std::optional<int> yieldPercent, int lastHour);
// The figures of a status, read back, in_progress as running.
Totals FiguresOf(const QJsonObject& status);
// As the status names a slot's state: "empty", "flashing", "pass", ...
QString SlotStateName(SlotState state);

}  // namespace StationStatus
