#include "link/DriverChoice.h"

#include "link/FTDI.h"
#include "link/serial/KernelSerial.h"

QString DriverName(Driver driver) {
    return driver == Driver::D2xx ? QStringLiteral("d2xx") : QStringLiteral("serial");
}

QString DriverDescription(Driver driver) {
    return DriverName(driver) + (driver == Driver::D2xx
                                     ? QStringLiteral(" (the vendor's D2XX library)")
                                     : QStringLiteral(" (the kernel's serial driver)"));
}

namespace DriverChoice {

std::variant<Choice, QString> Parse(const QString& name, bool withPorts) {
    const bool vendor = name == DriverName(Driver::D2xx);
    if (!vendor && name != DriverName(Driver::KernelSerial) && name != QStringLiteral("auto")) {
        return QStringLiteral("--driver takes d2xx, serial or auto");
    }
    if (withPorts && vendor) {
        return QStringLiteral(
            "--port opens the port through the kernel's driver, so "
            "it cannot go with --driver d2xx");
    }
    if (withPorts || name == DriverName(Driver::KernelSerial)) {
        return Choice::KernelSerial;
    }
    return vendor ? Choice::D2xx : Choice::Auto;
}

std::optional<Driver> Install(Choice choice) {
    if (choice != Choice::KernelSerial && FTDI::LoadDriverLibrary()) {
        return Driver::D2xx;
    }
    if (choice == Choice::D2xx) {
        return std::nullopt;
    }
    FTDI::InstallApi(KernelSerial::Api());
    return Driver::KernelSerial;
}

}  // namespace DriverChoice
