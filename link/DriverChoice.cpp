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

QCommandLineOption Option() {
    return QCommandLineOption(
        QStringLiteral("driver"),
        QStringLiteral("How to reach the bridges: d2xx (the vendor's library), serial (the "
                       "kernel's own driver, /dev/ttyUSB*) or auto: d2xx when its library is "
                       "installed, otherwise serial. Default: auto."),
        QStringLiteral("d2xx|serial|auto"), QStringLiteral("auto"));
}

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
    const FTDI::D2xxApi* kernel = KernelSerial::Api();
    if (choice == Choice::D2xx || kernel == nullptr) {
        return std::nullopt;
    }
    FTDI::InstallApi(kernel);
    return Driver::KernelSerial;
}

}  // namespace DriverChoice
