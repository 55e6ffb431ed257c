#pragma once

// The upgrade of one device: file checks, the handshake that walks the device into its boot
// loader and checks the firmware key, then the stop-and-wait record transfer. It sees the window
// only through OperationView, so any front end runs the very same procedure.

#include <QString>

#include "operations/OperationView.h"
#include "operations/UpgradeReport.h"

namespace UpgradeProcedure {

// Every reply, line or byte, must arrive within this long; a device that stops answering or is
// unplugged ends the upgrade instead of holding the program.
inline constexpr int ReplyDeadlineMs = 10'000;

// Runs to the end on every path, reporting through the view. The two selections are copies taken
// at the start, so a selection changed while the device is busy does not disturb the run.
UpgradeReport Run(OperationView& view, QString firmwarePath, QString deviceSerial);

}  // namespace UpgradeProcedure
