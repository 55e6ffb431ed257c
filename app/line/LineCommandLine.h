#pragma once

// The line window's command line, read before the application object exists, so that --help,
// --version and a usage error need no display: the broker, the line, and how to log in.

#include <QStringList>
#include <variant>

#include "line/LinkOptions.h"

namespace LineCommandLine {

inline const QString ProgramName = QStringLiteral("tarvellon-line");

// The options, or the exit code of a program that ends here: 0 after --help or --version, said
// on stdout; 64 after a usage error, said on stderr.
std::variant<LinkOptions, int> Parse(const QStringList& arguments);

}  // namespace LineCommandLine
