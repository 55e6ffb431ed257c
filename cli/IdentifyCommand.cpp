// `identify`: the blink a click in the window's device list gives, with the window's log lines.

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/CommandLineView.h"
#include "cli/FailureDetail.h"
#include "cli/TextReporter.h"
#include "link/Interrupt.h"
#include "operations/DeviceIdentify.h"

ExitCode Commands::Identify(const Command& command, const QStringList& arguments) {
    QCommandLineParser parser;
    parser.addOptions({DriverChoice::Option(), PortOption()});
    if (const auto exit = CommandLine::Parse(
            parser, command, arguments,
            {{QStringLiteral("SERIAL"), QStringLiteral("The device, as list prints it.")}})) {
        return *exit;
    }
    const QString serial = parser.positionalArguments().constFirst();
    const std::variant<Driver, ExitCode> driver = CommandLine::UseDriver(parser, serial);
    if (const ExitCode* exit = std::get_if<ExitCode>(&driver)) {
        return *exit;
    }
    TextReporter reporter;
    CommandLineView view(reporter);
    if (!DeviceIdentify::Open(view, serial)) {
        reporter.note(OpenFailureDetail(serial));
        return ExitCode::NoSuchDevice;
    }
    DeviceIdentify::Blink(view);
    view.logLine(QString());
    return Interrupt::Requested() ? ExitCode::Interrupted : ExitCode::Success;
}
