#pragma once

// The window's command line, read before the application object exists, so that --help, --version
// and a usage error need no display: which driver reaches the bridges, ports to list besides them,
// and the bridge's latency timer during an upgrade. Without options the window runs as it always
// has where the vendor's library is installed.

#include <QStringList>
#include <variant>

#include "link/DriverChoice.h"
#include "link/FastLink.h"

struct WindowOptions {
    DriverChoice::Choice driver = DriverChoice::Choice::Auto;
    QStringList ports;
    // Left alone unless asked: no latency call at all.
    FastLink fastLink = *FastLink::FromOption(QStringLiteral("keep"));
};

namespace WindowCommandLine {

inline const QString ProgramName = QStringLiteral("tarvellon-upgrader");

// The options, or the exit code of a program that ends here: 0 after --help or --version, said
// on stdout, 64 after a usage error, said on stderr.
std::variant<WindowOptions, int> Parse(const QStringList& arguments);

}  // namespace WindowCommandLine
