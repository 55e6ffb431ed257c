#pragma once

// The command line's way to the bridges: a port to open by its path, and the driver that
// --driver (DriverChoice::Option) asks for. The choice itself is the link's.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <variant>

#include "cli/ExitCode.h"
#include "link/DriverChoice.h"

// --port PATH, for the commands that open one device.
QCommandLineOption PortOption();

// Installs what --driver and --port ask for: `auto` (the default) the vendor's library when it
// loads, otherwise the kernel's driver; --port the kernel's driver with that one port, listed
// under `serial`. A bad choice is a usage error (64), said on stderr; the vendor's library asked
// for and missing is NoLibrary (5), for the caller to report.
std::variant<Driver, ExitCode> InstallDriver(const QCommandLineParser& parser,
                                             const QString& serial = {});
