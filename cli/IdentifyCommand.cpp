// `identify`: the blink a click in the window's device list gives, with the window's log lines.

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/CommandLineView.h"
#include "cli/TextReporter.h"
#include "cli/UnitChoice.h"
#include "link/Interrupt.h"
#include "operations/DeviceIdentify.h"
#include "operations/DeviceList.h"
#include "operations/FailureDetail.h"

namespace {

const QList<CommandLine::Positional> kPositionals = {SerialArgument};

}  // namespace

ExitCode Commands::Identify(const Command& command, const QStringList& arguments) {
    QCommandLineParser parser;
    parser.addOptions({DriverChoice::Option(), PortOption(), CommandLine::VerboseOption(),
                       CommandLine::QuietOption()});
    if (const auto exit = CommandLine::Parse(parser, command, arguments, kPositionals)) {
        return *exit;
    }
    QString serial = NamedUnit(parser, kPositionals);
    const std::variant<Driver, ExitCode> driver = CommandLine::UseDriver(parser, serial);
    if (const ExitCode* exit = std::get_if<ExitCode>(&driver)) {
        return *exit;
    }
    TextReporter reporter;
    // Said only when the unit cannot be reached.
    UpgradeSummary summary;
    summary.exit = ExitCode::NoSuchDevice;
    if (serial.isEmpty()) {
        const std::variant<QString, ExitCode> only = OnlyAttachedUnit();
        if (const ExitCode* exit = std::get_if<ExitCode>(&only)) {
            if (*exit == ExitCode::NoSuchDevice) {
                summary.exit = *exit;
                summary.detail = NoneAttachedDetail;
                summary.hint = FailureHint(NoneAttachedKey(std::get<Driver>(driver)));
                reporter.finish(summary);
            }
            return *exit;
        }
        serial = std::get<QString>(only);
    }
    CommandLineView view(reporter);
    if (const PortOpening opening = DeviceIdentify::Open(view, serial); !opening.opened()) {
        const OpenFailure failure = DeviceList::Explained(*opening.failure, serial);
        summary.exit = ExitCode::NoSuchDevice;
        summary.detail = OpenFailureDetail(failure, serial);
        summary.hint = FailureHint({.step = QStringLiteral("open"),
                                    .cause = OpenFailureCause(failure),
                                    .driver = DriverName(std::get<Driver>(driver))});
        reporter.finish(summary);
        return summary.exit;
    }
    DeviceIdentify::Blink(view);
    view.logLine(QString());
    return Interrupt::Requested() ? ExitCode::Interrupted : ExitCode::Success;
}
