#pragma once

// The image a station flashes, checked once before any unit is touched, by the upgrade's own file
// checks: with no device selected the upgrade stops right after them, its report holding the
// checked bytes that every upgrade is then given.

#include <QString>
#include <optional>

#include "operations/UpgradeReport.h"

namespace StationImage {

// Fills `report`; the message the check ended with when the file did not pass.
std::optional<QString> Check(const QString& path, UpgradeReport& report);

}  // namespace StationImage
