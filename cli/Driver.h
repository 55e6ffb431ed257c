#pragma once

// The command line's options for reaching the bridges: the driver, a port to open by its path,
// and the bridge's latency timer during an upgrade. The choice itself is the link's.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <variant>

#include "cli/ExitCode.h"
#include "link/DriverChoice.h"

// --driver d2xx|serial|auto, for every command that reaches a device.
QCommandLineOption DriverOption();
// --port PATH, for the commands that open one device.
QCommandLineOption PortOption();
// --latency-ms N|keep, for every command that upgrades.
QCommandLineOption LatencyOption();

// Installs what --driver and --port ask for: `auto` (the default) the vendor's library when it
// loads, otherwise the kernel's driver; --port the kernel's driver with that one port, listed
// under `serial`. A bad choice is a usage error (64), said on stderr; the vendor's library asked
// for and missing is NoLibrary (5), for the caller to report.
std::variant<Driver, ExitCode> InstallDriver(const QCommandLineParser& parser,
                                             const QString& serial = {});
