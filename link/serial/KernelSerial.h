#pragma once

// The link's table of D2XX functions, filled from the kernel's own serial driver through Qt Serial
// Port: every Linux machine drives an FTDI bridge as /dev/ttyUSB*, so either program reaches one
// without the vendor's library. The link above it runs unchanged.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "link/D2xxApi.h"
#include "link/serial/FtdiPorts.h"

namespace KernelSerial {

// The table to hand to FTDI::InstallApi; null where the build has no kernel's driver (Windows).
const FTDI::D2xxApi* Api();

// From now on the device list holds this one port under `serial`, while its path exists, instead
// of the FTDI bridges the system reports.
void BindPort(const QString& serial, const QString& location);
// From now on the device list holds these ports too, while their paths exist (AddedPorts.h); they
// replace those an earlier call gave.
void AddPorts(const QStringList& paths);

// The port the device count last listed at index, for the details beyond its serial number.
std::optional<FtdiPort> ListedPort(std::int32_t index);

}  // namespace KernelSerial
