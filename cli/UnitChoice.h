#pragma once

// A command given no SERIAL takes the only attached unit: a bench usually has one, and its serial
// number is what people mistype.

#include <QCommandLineParser>
#include <QString>
#include <variant>

#include "cli/CommandLine.h"
#include "cli/DriverOptions.h"
#include "cli/ExitCode.h"
#include "operations/FailureDetail.h"

// [SERIAL], for the commands that take one unit.
inline const CommandLine::Positional SerialArgument{
    QStringLiteral("SERIAL"),
    QStringLiteral("The device, as list prints it. Default: the only one attached."), true};

// The serial number of the one unit attached, on the installed driver. NoSuchDevice when none is;
// several are a usage error, said on stderr with their serial numbers.
std::variant<QString, ExitCode> OnlyAttachedUnit();

// SERIAL as given, or else the path --port names; "" when neither is.
QString NamedUnit(const QCommandLineParser& parser,
                  const QList<CommandLine::Positional>& positionals);

// The hint's key when no unit is attached at all.
FailureKey NoneAttachedKey(Driver driver);
