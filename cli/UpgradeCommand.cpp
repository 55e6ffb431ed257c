// `upgrade`: one run of the window's upgrade procedure, its outcome as an exit code and, with
// --json, as one closing event a program can read.

#include <QElapsedTimer>
#include <memory>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/CommandLineView.h"
#include "cli/FailureDetail.h"
#include "cli/JsonReporter.h"
#include "cli/TextReporter.h"
#include "operations/UpgradeProcedure.h"

namespace {

ExitCode exitCodeFor(const UpgradeReport& report, const QString& serial) {
    switch (report.exit) {
        case UpgradeExit::Success:
            return ExitCode::Success;
        case UpgradeExit::CommunicationFailure:
            // A device that is not there at all is a different fault from one that will not talk.
            return report.failed.command == QStringLiteral("open") && !IsAttached(serial)
                       ? ExitCode::NoSuchDevice
                       : ExitCode::CommunicationError;
        case UpgradeExit::ProgrammingFailure:
            return ExitCode::ProgrammingError;
        case UpgradeExit::FileMissing:
        case UpgradeExit::FileUnreadable:
        case UpgradeExit::FormatFailure:
            return ExitCode::FileError;
        case UpgradeExit::Interrupted:
            return ExitCode::Interrupted;
        case UpgradeExit::NoFileSelected:
        case UpgradeExit::NoDeviceSelected:
            break;
    }
    // The arguments are checked non-empty before the procedure runs.
    return ExitCode::UsageError;
}

}  // namespace

ExitCode Commands::Upgrade(const Command& command, const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("One JSON object a line on stdout, for programs "
                                                 "(fields: README.md)."));
    const QCommandLineOption latency = LatencyOption();
    parser.addOptions({json, latency, DriverOption(), PortOption()});
    if (const auto exit = CommandLine::Parse(
            parser, command, arguments,
            {{QStringLiteral("SERIAL"), QStringLiteral("The device, as list prints it.")},
             {QStringLiteral("IMAGE"), QStringLiteral("The firmware image file (.frw).")}})) {
        return *exit;
    }
    std::optional<FastLink> fastLink = FastLink::FromOption(parser.value(latency));
    if (!fastLink) {
        CommandLine::Err(FastLink::OptionError);
        return ExitCode::UsageError;
    }
    UpgradeSummary summary;
    summary.serial = parser.positionalArguments().at(0);
    const std::variant<Driver, ExitCode> driver = InstallDriver(parser, summary.serial);
    const ExitCode* driverExit = std::get_if<ExitCode>(&driver);
    if (driverExit && *driverExit == ExitCode::UsageError) {
        return ExitCode::UsageError;
    }
    summary.imagePath = parser.positionalArguments().at(1);
    std::unique_ptr<Reporter> reporter;
    if (parser.isSet(json)) {
        reporter = std::make_unique<JsonReporter>();
    } else {
        reporter = std::make_unique<TextReporter>();
    }
    reporter->start(summary.serial, summary.imagePath);
    // Said once, through the reporter: on stderr for a person, in the closing event for a program.
    if (driverExit) {
        summary.exit = ExitCode::NoLibrary;
        summary.failedStep = QStringLiteral("library");
        summary.detail = CommandLine::NoLibrary;
        reporter->finish(summary);
        return summary.exit;
    }

    CommandLineView view(*reporter, &*fastLink);
    QElapsedTimer clock;
    clock.start();
    summary.report = UpgradeProcedure::Run(view, summary.imagePath, summary.serial);
    summary.durationMs = clock.elapsed();
    summary.exit = exitCodeFor(summary.report, summary.serial);
    summary.failedStep = FailedStepName(summary.report);
    summary.detail = FailureDetail(summary.report, summary.serial, summary.imagePath);
    summary.latencyFoundMs = fastLink->foundMs();
    summary.latencyUsedMs = fastLink->usedMs();
    reporter->finish(summary);
    return summary.exit;
}
