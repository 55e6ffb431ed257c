#pragma once

// Starting a station, the same for both of its faces: the image read and checked once, the driver
// installed, the engine started on them. Why it could not start comes back as a value, worded
// here for each face, so that the terminal and the window tell the operator the same thing.

#include <QStringList>
#include <memory>
#include <variant>

#include "link/DriverChoice.h"
#include "station/StationEngine.h"

namespace StationStart {

// `options`: all but the image's check and the driver, which are filled in here.
std::variant<std::unique_ptr<StationEngine>, StartFailure> Start(StationOptions options,
                                                                 DriverChoice::Choice driver);

// The lines the command line writes on stderr, each after its program's name.
QStringList TerminalLines(const StartFailure& failure);
// The text of the window's message box.
QString WindowText(const StartFailure& failure);

}  // namespace StationStart
