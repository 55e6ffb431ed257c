#include "cli/Driver.h"

#include "cli/CommandLine.h"
#include "link/serial/KernelSerial.h"

namespace {

const QString kPort = QStringLiteral("port");

}  // namespace

QCommandLineOption PortOption() {
    return QCommandLineOption(kPort,
                              QStringLiteral("Open PATH through the kernel's serial driver instead "
                                             "of looking SERIAL up; SERIAL then names the device "
                                             "in the output only."),
                              QStringLiteral("PATH"));
}

std::variant<Driver, ExitCode> InstallDriver(const QCommandLineParser& parser,
                                             const QString& serial) {
    // Only the commands that open one device know --port.
    const QString port = parser.optionNames().contains(kPort) ? parser.value(kPort) : QString();
    const std::variant<DriverChoice::Choice, QString> choice =
        DriverChoice::Parse(parser.value(QStringLiteral("driver")), !port.isEmpty());
    if (const QString* error = std::get_if<QString>(&choice)) {
        return CommandLine::UsageError(*error);
    }
    if (!port.isEmpty()) {
        KernelSerial::BindPort(serial, port);
    }
    if (const std::optional<Driver> driver =
            DriverChoice::Install(std::get<DriverChoice::Choice>(choice))) {
        return *driver;
    }
    return ExitCode::NoLibrary;
}
