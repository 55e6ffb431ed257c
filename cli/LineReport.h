#pragma once

// The line as `tarvellon-flash line` writes it: for a person, a line of totals and a line a
// station (and its latest failure); for a program, one JSON object with the same. The exit code
// of --once says whether the line is whole, for a monitoring script.

#include <QJsonObject>
#include <QStringList>

#include "cli/ExitCode.h"
#include "line/LineModel.h"

namespace LineReport {

// The totals first, then each station, then the warning on mixed images.
QStringList Lines(const LineModel& model);
// One station's line (and its latest failure's, after it).
QStringList StationLines(const StationEntry& station);
QJsonObject Json(const LineModel& model, ExitCode verdict);
// 0 when every station is online and none has stopped its line; else what is wrong, the most
// serious first: a line stopped (8), then a station offline or none at all (7).
ExitCode Verdict(const LineModel& model);

}  // namespace LineReport
