#pragma once

// A command given no SERIAL takes the only attached unit: a bench usually has one, and its serial
// number is what people mistype.

#include <QCommandLineParser>
#include <QString>
#include <variant>

#include "cli/Driver.h"
#include "cli/ExitCode.h"
#include "operations/FailureHint.h"

inline const QString NoneAttached = QStringLiteral("no device is attached");

// The serial number of the one unit attached, on the installed driver. NoSuchDevice when none is;
// several are a usage error, said on stderr with their serial numbers.
std::variant<QString, ExitCode> OnlyAttachedUnit();

// SERIAL as given, or else the path --port names; "" when neither is.
QString NamedUnit(const QString& serial, const QCommandLineParser& parser);

// The hint's key when no unit is attached at all.
FailureKey NoneAttachedKey(Driver driver);
