#pragma once

// The latency timer of a bridge that the kernel's FTDI driver serves. The driver shows the chip's
// timer in the port's latency_timer attribute, which only root (or a udev rule) may write; whoever
// may open the port may still switch the driver's low-latency mode, which sets the timer to 1 ms
// and, switched off, back to the attribute's value. The sysfs root is replaceable for tests.

#include <QString>
#include <optional>

namespace SerialLatency {

enum class WriteOutcome {
    Set,
    Refused,      // by the driver, or the port is not an FTDI driver's
    NotWritable,  // the attribute may not be written by this user
};

// Nothing for a port the FTDI driver does not serve.
std::optional<int> Read(const QString& location, const QString& sysfsRoot = QStringLiteral("/sys"));
WriteOutcome Write(int descriptor, const QString& location, int ms,
                   const QString& sysfsRoot = QStringLiteral("/sys"));

}  // namespace SerialLatency
