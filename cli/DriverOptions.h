#pragma once

// The command line's options that say how to reach the bridges, --driver (DriverChoice::Option)
// and --port PATH, read apart from installing the driver they ask for. The choice itself is the
// link's.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <optional>

#include "link/DriverChoice.h"

// --port PATH, for the commands that open one device.
QCommandLineOption PortOption();

// What --driver and --port ask for.
struct DriverRequest {
    DriverChoice::Choice choice = DriverChoice::Choice::Auto;
    QString port;  // "" when none is named
};

// Nothing after a bad choice, a usage error said on stderr.
std::optional<DriverRequest> ReadDriverOptions(const QCommandLineParser& parser);

// Installs what the request asks for: `auto` (the default) the vendor's library when it loads,
// otherwise the kernel's driver; a port the kernel's driver with that one port, listed under
// `serial`. Nothing when the vendor's library is asked for and missing.
std::optional<Driver> InstallDriver(const DriverRequest& request, const QString& serial);
