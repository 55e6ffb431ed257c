#pragma once

// The station window's command line, the station command's own (StationArguments) and an image
// to start with, read before the application object exists, so that --help, --version and a
// usage error need no display.

#include <QStringList>
#include <variant>

#include "line/LinkOptions.h"
#include "station/StationArguments.h"

struct StationWindowOptions {
    // All but the image: the upgrader to start for each unit, the record file, the slot names.
    StationOptions station;
    DriverChoice::Choice driver = DriverChoice::Choice::Auto;
    // Watched at once when given; the window asks for one otherwise.
    QString image;
    // The line's broker, with --publish.
    std::optional<LinkOptions> line;
};

namespace StationCommandLine {

inline const QString ProgramName = QStringLiteral("tarvellon-station");

// The options, or the exit code of a program that ends here: 0 after --help or --version, said
// on stdout; 64 after a usage error and 3 when the --slots file cannot be read, said on stderr.
std::variant<StationWindowOptions, int> Parse(const QStringList& arguments);

}  // namespace StationCommandLine
