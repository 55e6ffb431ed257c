// `list`: the serial numbers of the attached devices, one a line, as the window's list shows them.
// Which driver found them goes to stderr, so a script reading the serials sees nothing else.

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "operations/DeviceList.h"

ExitCode Commands::List(const Command& command, const QStringList& arguments) {
    QCommandLineParser parser;
    parser.addOption(DriverChoice::Option());
    if (const auto exit = CommandLine::Parse(parser, command, arguments, {})) {
        return *exit;
    }
    const std::variant<Driver, ExitCode> driver = CommandLine::UseDriver(parser);
    if (const ExitCode* exit = std::get_if<ExitCode>(&driver)) {
        return *exit;
    }
    CommandLine::Err(QStringLiteral("driver: ") + DriverDescription(std::get<Driver>(driver)));
    const QStringList serials = DeviceList::Scan();
    if (serials == QStringList{DeviceList::NoDeviceFound}) {
        return ExitCode::NoSuchDevice;
    }
    for (const QString& serial : serials) {
        CommandLine::Out(serial);
    }
    return ExitCode::Success;
}
