#pragma once

// What every command does alike: parse its arguments, answer --help and --version, say a usage
// error and write lines as every program does (support/ProgramOutput.h), and give up early when
// the driver it asks for is missing.

#include <QCommandLineParser>
#include <QString>
#include <optional>
#include <variant>

#include "cli/Command.h"
#include "cli/DriverOptions.h"

namespace CommandLine {

inline const QString ProgramName = QStringLiteral("tarvellon-flash");

// On stdout.
void Out(const QString& text, bool newline = true);
// An error, prefixed with the program's name; always said.
void Err(const QString& text);
// What to do about a failure, after its detail; always said.
void Hint(const QString& text);
// A line of the program's own that is no failure; -q drops it.
void Note(const QString& text);
// A line of the -v trace, as it stands.
void Trace(const QString& text);

// "tarvellon-flash 1.0", for -V and --version.
QString VersionLine();

// Said on stderr with the line that points at the help of the command being run, or of the
// program before a command is known.
ExitCode UsageError(const QString& error);

// -v and -q, for the commands that offer them; Parse reads them.
QCommandLineOption VerboseOption();
QCommandLineOption QuietOption();
bool Verbose();
bool Quiet();

struct Positional {
    QString name;
    QString description;
    bool optional = false;  // may be left out; only leading ones may be
};

// IMAGE, for the commands that take a firmware image.
inline const Positional ImageArgument{QStringLiteral("IMAGE"),
                                      QStringLiteral("The firmware image file (.frw).")};

// Nothing when the command is to run; otherwise how the program ends: after its help or version
// (0), or a usage error said on stderr (64). A positional argument given is never empty.
std::optional<ExitCode> Parse(QCommandLineParser& parser, const Command& command,
                              const QStringList& arguments, const QList<Positional>& positionals);
// A positional argument by name; "" when left out.
QString PositionalValue(const QCommandLineParser& parser, const QList<Positional>& positionals,
                        const QString& name);

// ReadDriverOptions, then InstallDriver, with a missing library said on stderr.
std::variant<Driver, ExitCode> UseDriver(const QCommandLineParser& parser,
                                         const QString& serial = {});

}  // namespace CommandLine
