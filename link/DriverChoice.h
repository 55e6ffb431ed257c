#pragma once

// Which library reaches the bridges: the vendor's D2XX library, or the kernel's own serial driver
// through Qt Serial Port. Chosen once, before any device is touched, in the same way by both
// programs; the link above runs the same either way.

#include <QString>
#include <optional>
#include <variant>

enum class Driver { D2xx, KernelSerial };

// As --driver names it: "d2xx" or "serial".
QString DriverName(Driver driver);
QString DriverDescription(Driver driver);

namespace DriverChoice {

enum class Choice { D2xx, KernelSerial, Auto };

// --driver's values, and what it does, for either program's help.
inline const QString Names = QStringLiteral("d2xx|serial|auto");
inline const QString Help = QStringLiteral(
    "How to reach the bridges: d2xx (the vendor's library), serial (the kernel's own driver, "
    "/dev/ttyUSB*) or auto: d2xx when its library is installed, otherwise serial. Default: auto.");

// --driver's value, with ports to open by path or without; a port is reached through the kernel's
// driver only, so `auto` then means `serial`. The usage error's text for anything else.
std::variant<Choice, QString> Parse(const QString& name, bool withPorts);

// Installs the table the choice asks for: the vendor's library when it loads (D2xx, Auto),
// otherwise the kernel's serial driver (KernelSerial, Auto). Nothing when the vendor's library
// was asked for and is missing; the library is then looked for again at the next scan.
std::optional<Driver> Install(Choice choice);

}  // namespace DriverChoice
