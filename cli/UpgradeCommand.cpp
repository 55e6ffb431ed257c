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
#include "cli/UnitChoice.h"
#include "operations/UpgradeProcedure.h"

namespace {

const QList<CommandLine::Positional> kPositionals = {
    {QStringLiteral("SERIAL"),
     QStringLiteral("The device, as list prints it. Default: the only one attached."), true},
    {QStringLiteral("IMAGE"), QStringLiteral("The firmware image file (.frw).")},
};

ExitCode exitCodeFor(const UpgradeReport& report, FailureCause cause) {
    switch (report.exit) {
        case UpgradeExit::Success:
            return ExitCode::Success;
        case UpgradeExit::CommunicationFailure:
            // A device that is not there at all is a different fault from one that will not talk.
            return cause == FailureCause::NotAttached ? ExitCode::NoSuchDevice
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

// An upgrade that ends before the procedure runs, said once through the reporter: on stderr for
// a person, in the closing event for a program.
ExitCode endEarly(Reporter& reporter, UpgradeSummary& summary, ExitCode exit, const FailureKey& key,
                  const QString& detail) {
    summary.exit = exit;
    summary.failedStep = key.step;
    summary.detail = detail;
    summary.hint = FailureHint(key);
    reporter.finish(summary);
    return exit;
}

}  // namespace

ExitCode Commands::Upgrade(const Command& command, const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("One JSON object a line on stdout, for programs "
                                                 "(fields: README.md, man tarvellon-flash)."));
    const QCommandLineOption latency = LatencyOption();
    parser.addOptions({json, latency, DriverOption(), PortOption(), CommandLine::VerboseOption(),
                       CommandLine::QuietOption()});
    if (const auto exit = CommandLine::Parse(parser, command, arguments, kPositionals)) {
        return *exit;
    }
    std::optional<FastLink> fastLink = FastLink::FromOption(parser.value(latency));
    if (!fastLink) {
        return CommandLine::UsageError(FastLink::OptionError);
    }
    UpgradeSummary summary;
    summary.serial = NamedUnit(
        CommandLine::PositionalValue(parser, kPositionals, QStringLiteral("SERIAL")), parser);
    summary.imagePath = CommandLine::PositionalValue(parser, kPositionals, QStringLiteral("IMAGE"));
    const std::variant<Driver, ExitCode> driver = InstallDriver(parser, summary.serial);
    const ExitCode* driverExit = std::get_if<ExitCode>(&driver);
    if (driverExit && *driverExit == ExitCode::UsageError) {
        return ExitCode::UsageError;
    }
    if (!driverExit && summary.serial.isEmpty()) {
        const std::variant<QString, ExitCode> only = OnlyAttachedUnit();
        if (const ExitCode* exit = std::get_if<ExitCode>(&only);
            exit && *exit == ExitCode::UsageError) {
            return *exit;
        }
        // Left "" when none is attached, which is said below through the reporter.
        if (const QString* serial = std::get_if<QString>(&only)) {
            summary.serial = *serial;
        }
    }
    std::unique_ptr<Reporter> reporter;
    if (parser.isSet(json)) {
        reporter = std::make_unique<JsonReporter>();
    } else {
        reporter = std::make_unique<TextReporter>();
    }
    reporter->start(summary.serial, summary.imagePath);
    if (driverExit) {
        return endEarly(*reporter, summary, ExitCode::NoLibrary,
                        {.step = QStringLiteral("library"), .cause = FailureCause::NoLibrary},
                        CommandLine::NoLibrary);
    }
    if (summary.serial.isEmpty()) {
        return endEarly(*reporter, summary, ExitCode::NoSuchDevice,
                        NoneAttachedKey(std::get<Driver>(driver)), NoneAttached);
    }

    CommandLineView view(*reporter, &*fastLink);
    QElapsedTimer clock;
    clock.start();
    summary.report = UpgradeProcedure::Run(view, summary.imagePath, summary.serial);
    summary.durationMs = clock.elapsed();
    const FailureSaid said = DescribeFailure(summary.report, summary.serial, summary.imagePath,
                                             std::get<Driver>(driver));
    summary.exit = exitCodeFor(summary.report, said.key.cause);
    summary.failedStep = said.key.step;
    summary.detail = said.detail;
    summary.hint = FailureHint(said.key);
    summary.latencyFoundMs = fastLink->foundMs();
    summary.latencyUsedMs = fastLink->usedMs();
    reporter->finish(summary);
    return summary.exit;
}
