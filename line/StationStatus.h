#pragma once

// The station as the line sees it: the body of its retained status message, built from the plain
// values the station engine gives its own faces, so that a view of the whole line says what the
// station's screen says. README.md names the fields; the publisher adds the names, the backlog
// and the time.

#include <QJsonObject>
#include <QList>

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
// As the status names a slot's state: "empty", "flashing", "pass", ...
QString SlotStateName(SlotState state);

}  // namespace StationStatus
