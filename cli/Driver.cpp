#include "cli/Driver.h"

#include "cli/CommandLine.h"
#include "link/FTDI.h"
#include "link/serial/KernelSerial.h"

namespace {

const QString kDriver = QStringLiteral("driver");
const QString kPort = QStringLiteral("port");
const QString kAuto = QStringLiteral("auto");

}  // namespace

QCommandLineOption DriverOption() {
    return QCommandLineOption(
        kDriver,
        QStringLiteral("How to reach the bridges: d2xx (the vendor's library), serial (the "
                       "kernel's own driver, /dev/ttyUSB*) or auto: d2xx when its library is "
                       "installed, otherwise serial. Default: auto."),
        QStringLiteral("d2xx|serial|auto"), kAuto);
}

QCommandLineOption PortOption() {
    return QCommandLineOption(kPort,
                              QStringLiteral("Open PATH through the kernel's serial driver instead "
                                             "of looking SERIAL up; SERIAL then names the device "
                                             "in the output only."),
                              QStringLiteral("PATH"));
}

std::variant<Driver, ExitCode> InstallDriver(const QCommandLineParser& parser,
                                             const QString& serial) {
    const QString choice = parser.value(kDriver);
    // Only the commands that open one device know --port.
    const QString port = parser.optionNames().contains(kPort) ? parser.value(kPort) : QString();
    const bool kernel = choice == DriverName(Driver::KernelSerial);
    const bool vendor = choice == DriverName(Driver::D2xx);
    if (!kernel && !vendor && choice != kAuto) {
        return CommandLine::UsageError(QStringLiteral("--driver takes d2xx, serial or auto"));
    }
    if (!port.isEmpty() && vendor) {
        return CommandLine::UsageError(
            QStringLiteral("--port opens the port through the kernel's driver, so "
                           "it cannot go with --driver d2xx"));
    }
    if (!port.isEmpty()) {
        KernelSerial::BindPort(serial, port);
    } else if (!kernel && FTDI::LoadDriverLibrary()) {
        return Driver::D2xx;
    } else if (vendor) {
        return ExitCode::NoLibrary;
    }
    FTDI::InstallApi(KernelSerial::Api());
    return Driver::KernelSerial;
}

QString DriverName(Driver driver) {
    return driver == Driver::D2xx ? QStringLiteral("d2xx") : QStringLiteral("serial");
}

QString DriverDescription(Driver driver) {
    return DriverName(driver) + (driver == Driver::D2xx
                                     ? QStringLiteral(" (the vendor's D2XX library)")
                                     : QStringLiteral(" (the kernel's serial driver)"));
}
