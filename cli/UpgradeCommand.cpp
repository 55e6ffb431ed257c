// `upgrade`: one run of the window's upgrade procedure, its outcome as an exit code and, with
// --json, as one closing event a program can read; with --record, each attempt in the record file.

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <memory>
#include <optional>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/CommandLineView.h"
#include "cli/FailureDetail.h"
#include "cli/JsonReporter.h"
#include "cli/TextReporter.h"
#include "cli/UpgradeRecord.h"
#include "link/FastLink.h"
#include "operations/UpgradeProcedure.h"
#include "support/NativePath.h"

namespace {

const QString kRecordFileStep = QStringLiteral("record_file");

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
    summary.failedStep = kRecordFileStep;
}

}  // namespace

ExitCode Commands::Upgrade(const Command& command, const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("One JSON object a line on stdout, for programs "
                                                 "(fields: README.md)."));
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
                       DriverChoice::Option(), PortOption()});
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
    const QString expected = parser.value(expectSha256).toLower();
    static const QRegularExpression sha256Digits(QStringLiteral("^[0-9a-f]{64}$"));
    if (parser.isSet(expectSha256) && !sha256Digits.match(expected).hasMatch()) {
        CommandLine::Err(QStringLiteral("--expect-sha256 takes the 64 hex digits of a SHA-256"));
        return ExitCode::UsageError;
    }
    UpgradeSummary summary;
    summary.serial = parser.positionalArguments().at(0);
    const std::variant<Driver, ExitCode> driver = InstallDriver(parser, summary.serial);
    const ExitCode* driverExit = std::get_if<ExitCode>(&driver);
    if (driverExit && *driverExit == ExitCode::UsageError) {
        return ExitCode::UsageError;
    }
    const QString imagePath = parser.positionalArguments().at(1);
    const QString shownPath = NativePath::Displayed(imagePath);
    summary.imagePath = parser.isSet(imageName) ? parser.value(imageName) : shownPath;
    std::unique_ptr<Reporter> reporter;
    if (parser.isSet(json)) {
        reporter = std::make_unique<JsonReporter>();
    } else {
        reporter = std::make_unique<TextReporter>();
    }
    std::optional<UpgradeRecord> record;
    const bool recordOpen = !parser.isSet(recordFile) ||
                            record.emplace().open(parser.value(recordFile), summary.serial,
                                                  {parser.value(slot), parser.value(location)});
    reporter->start(summary.serial, summary.imagePath, record ? record->attempt() : QString());
    // Said once, through the reporter: on stderr for a person, in the closing event for a program.
    const auto endEarly = [&](ExitCode exit, const QString& step, const QString& detail) {
        summary.exit = exit;
        summary.failedStep = step;
        summary.detail = detail;
        reporter->finish(summary);
        return summary.exit;
    };
    if (driverExit) {
        return endEarly(ExitCode::NoLibrary, QStringLiteral("library"), CommandLine::NoLibrary);
    }
    if (!recordOpen) {
        return endEarly(ExitCode::FileError, kRecordFileStep, record->error());
    }

    CommandLineView view(*reporter, &*fastLink);
    std::optional<std::pair<QString, QString>> refusal;  // the step and the detail
    view.setImageCheck([&](const UpgradeReport& report) {
        const QString sha256 = QString::fromLatin1(
            QCryptographicHash::hash(report.image, QCryptographicHash::Sha256).toHex());
        if (!expected.isEmpty() && sha256 != expected) {
            refusal = {QStringLiteral("file"),
                       QStringLiteral("the SHA-256 of %1 is %2, not the expected %3")
                           .arg(shownPath, sha256, expected)};
        } else if (record && !record->start(summary.imagePath, report)) {
            refusal = {kRecordFileStep, record->error()};
        }
        return !refusal;
    });
    QElapsedTimer clock;
    clock.start();
    summary.report = UpgradeProcedure::Run(view, imagePath, summary.serial);
    summary.durationMs = clock.elapsed();
    completeByteReply(summary.report.failed, view.restOfReply());
    summary.exit = exitCodeFor(summary.report, summary.serial);
    summary.failedStep = refusal ? refusal->first : FailedStepName(summary.report);
    summary.detail =
        refusal ? refusal->second : FailureDetail(summary.report, summary.serial, shownPath);
    summary.latencyFoundMs = fastLink->foundMs();
    summary.latencyUsedMs = fastLink->usedMs();
    if (record && record->started() && !record->close(JsonReporter::EndFields(summary))) {
        recordLost(summary, record->error());
    }
    reporter->finish(summary);
    return summary.exit;
}
