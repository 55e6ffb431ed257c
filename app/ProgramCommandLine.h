#pragma once

// What the window programs' command lines answer before the application object exists, so that
// --help, --version and a usage error need no display.

#include <QCommandLineParser>
#include <QString>
#include <optional>

namespace ProgramCommandLine {

constexpr int kUsageError = 64;

// The program's arguments, its name first, as the system's locale decodes them.
QStringList Arguments(int argc, char* argv[]);

// Adds --help and --version to `parser`, parses `arguments` and answers the two: the exit code of
// a program that ends here (0 after --help or --version, said on stdout; 64 after a usage error,
// such as more than `positionals` arguments, said on stderr), nothing when it runs on. `synopsis`
// follows the name in the help's usage line.
std::optional<int> Parse(QCommandLineParser& parser, const QStringList& arguments,
                         const QString& program, const QString& synopsis, qsizetype positionals);

// Says `error` on stderr and, for a usage error (64), how to get help; returns `exit`.
int Fail(const QString& program, const QString& error, int exit = kUsageError);

}  // namespace ProgramCommandLine
