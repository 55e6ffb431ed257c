// `list`: the serial numbers of the attached devices, one a line, as the window's list shows them.

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "operations/DeviceList.h"

ExitCode Commands::List(const Command& command, const QStringList& arguments) {
    QCommandLineParser parser;
    if (const auto exit = CommandLine::Parse(parser, command, arguments, {})) {
        return *exit;
    }
    if (!CommandLine::LibraryLoaded()) {
        return ExitCode::NoLibrary;
    }
    const QStringList serials = DeviceList::Scan();
    if (serials == QStringList{DeviceList::NoDeviceFound}) {
        return ExitCode::NoSuchDevice;
    }
    for (const QString& serial : serials) {
        CommandLine::Out(serial);
    }
    return ExitCode::Success;
}
