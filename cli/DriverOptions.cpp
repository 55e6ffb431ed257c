#include "cli/DriverOptions.h"

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

std::optional<DriverRequest> ReadDriverOptions(const QCommandLineParser& parser) {
    // Only the commands that open one device know --port.
    const QString port = parser.optionNames().contains(kPort) ? parser.value(kPort) : QString();
    const std::variant<DriverChoice::Choice, QString> choice =
        DriverChoice::Parse(parser.value(QStringLiteral("driver")), !port.isEmpty());
    if (const QString* error = std::get_if<QString>(&choice)) {
        CommandLine::UsageError(*error);
        return std::nullopt;
    }
    return DriverRequest{std::get<DriverChoice::Choice>(choice), port};
}

std::optional<Driver> InstallDriver(const DriverRequest& request, const QString& serial) {
    if (!request.port.isEmpty()) {
        KernelSerial::BindPort(serial, request.port);
    }
    return DriverChoice::Install(request.choice);
}
