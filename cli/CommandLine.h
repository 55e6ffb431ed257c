#pragma once

// What every command does alike: parse its arguments, answer --help, write lines, and give up
// early when the driver it asks for is missing.

#include <QCommandLineParser>
#include <QString>
#include <optional>
#include <utility>
#include <variant>

#include "cli/Command.h"
#include "cli/Driver.h"

namespace CommandLine {

inline const QString ProgramName = QStringLiteral("tarvellon-flash");
inline const QString NoLibrary = QStringLiteral("the D2XX library (libftd2xx) is not installed");

// Each line is flushed at once, so stdout and stderr keep their order on a terminal.
void Out(const QString& text, bool newline = true);
// An error or a note, prefixed with the program's name.
void Err(const QString& text);

// Nothing when the command is to run; otherwise how the program ends: after its help (0) or a
// usage error reported on stderr (64). Every positional argument is required and non-empty.
std::optional<ExitCode> Parse(QCommandLineParser& parser, const Command& command,
                              const QStringList& arguments,
                              const QList<std::pair<QString, QString>>& positionals);

// InstallDriver, with a missing library said on stderr.
std::variant<Driver, ExitCode> UseDriver(const QCommandLineParser& parser,
                                         const QString& serial = {});

}  // namespace CommandLine
