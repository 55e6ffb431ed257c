#pragma once

// The simulated bridge's transcript as the steps a person reads in a test's table: bytes
// percent-encoded, an open, close or unplug with its device, a latency timer read or set with its
// value; commands left out.

#include <QByteArray>
#include <QStringList>

#include "tests/common/SimBridge.h"

// Bytes as they are written in a step: printable ASCII as it is, any other byte as %XX.
QString PercentEncoded(const QByteArray& bytes);

// "open TARV0001", "→ id%0A", "← id %B5Tarvellon%0A", "latency set %01", "close TARV0001"...
QStringList WireSteps(const QList<SimEvent>& events);
