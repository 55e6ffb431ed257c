#pragma once

// A command given no SERIAL takes the only attached unit: a bench usually has one, and its serial
// number is what people mistype.

#include <QString>
#include <variant>

#include "cli/ExitCode.h"

inline const QString NoneAttached = QStringLiteral("no device is attached");

// The serial number of the one unit attached, on the installed driver. NoSuchDevice when none is;
// several are a usage error, said on stderr with their serial numbers.
std::variant<QString, ExitCode> OnlyAttachedUnit();
