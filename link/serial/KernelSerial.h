#pragma once

// The link's table of D2XX functions, filled from the kernel's own serial driver through Qt Serial
// Port: every Linux machine drives an FTDI bridge as /dev/ttyUSB*, so either program reaches one
// without the vendor's library. The link above it runs unchanged.

#include <QStringList>
#include <optional>

#include "link/D2xxApi.h"
#include "link/serial/OpenFailure.h"

namespace KernelSerial {

// The table to hand to FTDI::InstallApi.
const FTDI::D2xxApi* Api();

// From now on the device list holds this one port under `serial`, while its path exists, instead
// of the FTDI bridges the system reports.
void BindPort(const QString& serial, const QString& location);
// From now on the device list holds these ports too, while their paths exist (AddedPorts.h); they
// replace those an earlier call gave.
void AddPorts(const QStringList& paths);

// Why the last open failed; nothing after one that succeeded.
std::optional<OpenFailure> LastOpenFailure();

}  // namespace KernelSerial
