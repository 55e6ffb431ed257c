#pragma once

// Which library reaches the bridges: the vendor's D2XX library, or the kernel's own serial driver
// through Qt Serial Port. Chosen once, before any device is touched; the link above runs the same
// either way.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <variant>

#include "cli/ExitCode.h"

enum class Driver { D2xx, KernelSerial };

// --driver d2xx|serial|auto, for every command that reaches a device.
QCommandLineOption DriverOption();
// --port PATH, for the commands that open one device.
QCommandLineOption PortOption();

// Installs what --driver and --port ask for: `auto` (the default) the vendor's library when it
// loads, otherwise the kernel's driver; --port the kernel's driver with that one port, listed
// under `serial`. A bad choice is a usage error (64), said on stderr; the vendor's library asked
// for and missing is NoLibrary (5), for the caller to report.
std::variant<Driver, ExitCode> InstallDriver(const QCommandLineParser& parser,
                                             const QString& serial = {});

// As --driver names it: "d2xx" or "serial".
QString DriverName(Driver driver);
QString DriverDescription(Driver driver);
