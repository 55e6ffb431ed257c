#pragma once

// Ports named on the window's command line join the device list: a bridge without a serial
// number, another vendor's bridge, or a pseudo-terminal in a test. Each is named by its USB serial
// number when the system reports one, otherwise by its path, and a port the list holds already
// is not listed twice.

#include <QStringList>

#include "link/serial/FtdiPorts.h"

// `listed` and then each of `paths` that exists now and is not listed yet, by its own path once
// links are followed (/dev/serial/by-path/... is /dev/ttyUSB0); `system` says which have a serial
// number.
QList<FtdiPort> WithAddedPorts(QList<FtdiPort> listed, const QList<PortDescription>& system,
                               const QStringList& paths);
