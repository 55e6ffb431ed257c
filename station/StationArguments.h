#pragma once

// The station's options as both of its faces take them, the command line's `station` and the
// station window: the same names, help texts, defaults and checks, so that a line PC can switch
// from one to the other with the same arguments.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <optional>
#include <variant>

#include "link/DriverChoice.h"
#include "station/StationValues.h"

namespace StationArguments {

// --record, --slots, --jobs, --new-only, --latency-ms and --driver.
QList<QCommandLineOption> Options();

struct Parsed {
    // All but the program to start and the image.
    StationOptions options;
    DriverChoice::Choice driver = DriverChoice::Choice::Auto;
};

struct Failure {
    QString text;
    // The --slots file could not be read at all, as against a usage error.
    bool fileError = false;
};

// What the options ask for, from a parser that has read them.
std::variant<Parsed, Failure> Read(const QCommandLineParser& parser);

// A whole number above 0; 0 when the option is not given, nothing when it is anything else.
std::optional<int> PositiveNumber(const QCommandLineParser& parser, const QString& option);

}  // namespace StationArguments
