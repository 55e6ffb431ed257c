#pragma once

// What both views of the line write, the window and the command line, so that they agree: the
// words for a station's state and a slot's, an offline station's time, the image a station runs,
// and the warning that the stations run different images.

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>

#include "line/LineModel.h"

namespace LineTexts {

// RUNNING, STOPPING, STOPPED, LINE STOPPED or OFFLINE.
QString StateWord(const StationEntry& station);
// "offline since 09:14:07", or "offline" when nobody knows since when.
QString OfflineSince(const StationEntry& station);
// PASS, FAIL, FLASHING, WAITING, LEFT ALONE or UNPLUGGED, from a slot of a status.
QString SlotWord(const QJsonObject& slot);
// "accepted.frw  key µTARVEL0  SHA-256 a66cef8a"; "no image" before one.
QString Image(const QJsonObject& status);
// "passed 8, failed 1, yield 88 %, 9 in the last hour"
QString Figures(int passed, int failed, std::optional<int> yieldPercent, int lastHour);
// The latest failure and what to do about it; "" when there was none.
QString LastFailure(const QJsonObject& status);
// "" unless the online stations run more than one image: then which runs which.
QString MixedImages(const QList<StationEntry>& stations);

}  // namespace LineTexts
