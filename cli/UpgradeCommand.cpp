// `upgrade`: one run of the window's upgrade procedure, its outcome as an exit code and, with
// --json, as one closing event a program can read; with --record, each attempt in the record file.

#include <QElapsedTimer>
#include <QRegularExpression>
#include <memory>
#include <optional>

#include "cli/AttemptWriter.h"
#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/CommandLineView.h"
#include "cli/FailureDetail.h"
#include "cli/JsonReporter.h"
#include "cli/TextReporter.h"
#include "cli/UnitChoice.h"
#include "link/FastLink.h"
#include "operations/UpgradeProcedure.h"
#include "support/NativePath.h"

namespace {

const QList<CommandLine::Positional> kPositionals = {SerialArgument, CommandLine::ImageArgument};

const FailureKey kRecordFile{.step = QStringLiteral("record_file"),
                             .cause = FailureCause::RecordFileUnwritable};

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
        case UpgradeExit::Refused:
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

// Where a byte was due and the device began a line instead ("error"), the whole line is quoted.
void completeByteReply(FailedStep& failed, const FTDI::LineReply& rest) {
    const bool byteStep =
        failed.command == QStringLiteral("monitor") || failed.command == QStringLiteral("record");
    const bool lineBegun =
        failed.reply.size() == 1 && failed.reply[0] >= u' ' && failed.reply[0] < u'\x7f';
    if (byteStep && lineBegun && failed.outcome == FTDI::ReadOutcome::Ok &&
        rest.outcome == FTDI::ReadOutcome::Ok) {
        failed.reply += rest.line;
    }
}

// The outcome of a unit flashed, or not, whose record could not be closed: the record is what
// the line goes by, so the attempt counts as failed.
void recordLost(UpgradeSummary& summary, const QString& error) {
    const QString upgrade =
        summary.exit == ExitCode::Success
            ? QStringLiteral("succeeded")
            : QStringLiteral("failed: ") +
                  (summary.detail.isEmpty() ? OutcomeName(summary.exit) : summary.detail);
    summary.detail = error + QStringLiteral("; the upgrade itself ") + upgrade;
    summary.exit = ExitCode::FileError;
    summary.failedStep = kRecordFile.step;
    summary.hint = FailureHint(kRecordFile);
}

}  // namespace

ExitCode Commands::Upgrade(const Command& command, const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("One JSON object a line on stdout, for programs "
                                                 "(fields: README.md, man tarvellon-flash)."));
    const QCommandLineOption latency = FastLink::Option();
    const QCommandLineOption recordFile(
        QStringLiteral("record"),
        QStringLiteral("Append the attempt to FILE: a started line before the device is opened "
                       "(the unit is not touched when it cannot be written), the closing line "
                       "after it is closed (fields: README.md)."),
        QStringLiteral("FILE"));
    const QCommandLineOption expectSha256(
        QStringLiteral("expect-sha256"),
        QStringLiteral("Refuse the image (exit 3) unless its SHA-256 is HEX."),
        QStringLiteral("HEX"));
    const QCommandLineOption imageName(
        QStringLiteral("image-name"),
        QStringLiteral("Name the image NAME in the output and the record, as for a copy of it. "
                       "Default: IMAGE."),
        QStringLiteral("NAME"));
    const QCommandLineOption slot(
        QStringLiteral("slot"),
        QStringLiteral("Record the attempt as made by a station, in its slot NAME (the station "
                       "passes it)."),
        QStringLiteral("NAME"));
    const QCommandLineOption location(
        QStringLiteral("location"),
        QStringLiteral("Record LOCATION as where the unit hangs (the station passes it)."),
        QStringLiteral("LOCATION"));
    parser.addOptions({json, latency, recordFile, expectSha256, imageName, slot, location,
                       DriverChoice::Option(), PortOption(), CommandLine::VerboseOption(),
                       CommandLine::QuietOption()});
    if (const auto exit = CommandLine::Parse(parser, command, arguments, kPositionals)) {
        return *exit;
    }
    std::optional<FastLink> fastLink = FastLink::FromOption(parser.value(latency));
    if (!fastLink) {
        return CommandLine::UsageError(FastLink::OptionError);
    }
    const QString expected = parser.value(expectSha256).toLower();
    static const QRegularExpression sha256Digits(QStringLiteral("^[0-9a-f]{64}$"));
    if (parser.isSet(expectSha256) && !sha256Digits.match(expected).hasMatch()) {
        return CommandLine::UsageError(
            QStringLiteral("--expect-sha256 takes the 64 hex digits of a SHA-256"));
    }
    UpgradeSummary summary;
    summary.serial = NamedUnit(parser, kPositionals);
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
    const QString imagePath =
        CommandLine::PositionalValue(parser, kPositionals, CommandLine::ImageArgument.name);
    const QString shownPath = NativePath::Displayed(imagePath);
    summary.imagePath = parser.isSet(imageName) ? parser.value(imageName) : shownPath;
    std::unique_ptr<Reporter> reporter;
    if (parser.isSet(json)) {
        reporter = std::make_unique<JsonReporter>();
    } else {
        reporter = std::make_unique<TextReporter>();
    }
    std::optional<AttemptWriter> record;
    const bool recordOpen = !parser.isSet(recordFile) ||
                            record.emplace().open(parser.value(recordFile), summary.serial,
                                                  {parser.value(slot), parser.value(location)});
    reporter->start(summary.serial, summary.imagePath, record ? record->attempt() : QString());
    // Said once, through the reporter: on stderr for a person, in the closing event for a program.
    const auto endEarly = [&](ExitCode exit, const FailureKey& key, const QString& detail) {
        summary.exit = exit;
        summary.failedStep = key.step;
        summary.detail = detail;
        summary.hint = FailureHint(key);
        reporter->finish(summary);
        return summary.exit;
    };
    if (driverExit) {
        return endEarly(ExitCode::NoLibrary,
                        {.step = QStringLiteral("library"), .cause = FailureCause::NoLibrary},
                        CommandLine::NoLibrary);
    }
    if (summary.serial.isEmpty()) {
        return endEarly(ExitCode::NoSuchDevice, NoneAttachedKey(std::get<Driver>(driver)),
                        NoneAttached);
    }
    if (!recordOpen) {
        return endEarly(ExitCode::FileError, kRecordFile, record->error());
    }

    CommandLineView view(*reporter, &*fastLink);
    std::optional<std::pair<FailureKey, QString>> refusal;  // the hint's key and the detail
    view.setImageCheck([&](const UpgradeReport& report) {
        const QString sha256 = report.imageSha256();
        if (!expected.isEmpty() && sha256 != expected) {
            refusal = {{.step = QStringLiteral("file"), .cause = FailureCause::ImageNotExpected},
                       QStringLiteral("the SHA-256 of %1 is %2, not the expected %3")
                           .arg(shownPath, sha256, expected)};
        } else if (record && !record->start(summary.imagePath, report)) {
            refusal = {kRecordFile, record->error()};
        }
        return !refusal;
    });
    QElapsedTimer clock;
    clock.start();
    summary.report = UpgradeProcedure::Run(view, imagePath, summary.serial);
    summary.durationMs = clock.elapsed();
    completeByteReply(summary.report.failed, view.restOfReply());
    const FailureSaid said =
        DescribeFailure(summary.report, summary.serial, shownPath, std::get<Driver>(driver));
    summary.exit = exitCodeFor(summary.report, said.key.cause);
    summary.failedStep = refusal ? refusal->first.step : said.key.step;
    summary.detail = refusal ? refusal->second : said.detail;
    summary.hint = FailureHint(refusal ? refusal->first : said.key);
    summary.latencyFoundMs = fastLink->foundMs();
    summary.latencyUsedMs = fastLink->usedMs();
    if (record && record->started() && !record->close(JsonReporter::EndFields(summary))) {
        recordLost(summary, record->error());
    }
    reporter->finish(summary);
    return summary.exit;
}
