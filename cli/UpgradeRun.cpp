// The run of an upgrade request: the unit taken, the record file opened, the procedure run, and
// its outcome said once through the reporter, as an exit code, a detail and a hint.

#include <QElapsedTimer>
#include <memory>

#include "cli/AttemptWriter.h"
#include "cli/CommandLineView.h"
#include "cli/JsonReporter.h"
#include "cli/TextReporter.h"
#include "cli/UnitChoice.h"
#include "cli/UpgradeRequest.h"
#include "operations/DeviceList.h"
#include "operations/FailureDetail.h"
#include "operations/UpgradeProcedure.h"
#include "support/NativePath.h"

namespace {

const FailureKey kRecordFile{.step = QStringLiteral("record_file"),
                             .cause = FailureCause::RecordFileUnwritable};

// A failure's hint key and its detail.
struct Failure {
    FailureKey key;
    QString detail;
};

ExitCode exitCodeFor(UpgradeExit exit, FailureCause cause) {
    switch (exit) {
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

void say(UpgradeSummary& summary, ExitCode exit, const Failure& failure) {
    summary.exit = exit;
    summary.failedStep = failure.key.step;
    summary.detail = failure.detail;
    summary.hint = FailureHint(failure.key);
}

// The outcome of a unit flashed, or not, whose record could not be closed: the record is what
// the line goes by, so the attempt counts as failed.
void recordLost(UpgradeSummary& summary, const QString& error) {
    const QString upgrade =
        summary.exit == ExitCode::Success
            ? QStringLiteral("succeeded")
            : QStringLiteral("failed: ") +
                  (summary.detail.isEmpty() ? OutcomeName(summary.exit) : summary.detail);
    say(summary, ExitCode::FileError,
        {kRecordFile, error + QStringLiteral("; the upgrade itself ") + upgrade});
}

// The image as checked, turned down before the device is opened: not the one expected, or its
// attempt not recorded.
std::optional<Failure> refusalOf(const UpgradeRequest& request,
                                 std::optional<AttemptWriter>& record,
                                 const UpgradeReport& report) {
    const QString sha256 = report.imageSha256();
    if (!request.expectedSha256.isEmpty() && sha256 != request.expectedSha256) {
        return Failure{
            {.step = QStringLiteral("file"), .cause = FailureCause::ImageNotExpected},
            QStringLiteral("the SHA-256 of %1 is %2, not the expected %3")
                .arg(NativePath::Displayed(request.imagePath), sha256, request.expectedSha256)};
    }
    if (record && !record->start(request.imageName, report)) {
        return Failure{kRecordFile, record->error()};
    }
    return std::nullopt;
}

// The procedure on the unit taken, and what is said of its outcome.
void flash(const UpgradeRequest& request, Driver driver, std::optional<AttemptWriter>& record,
           Reporter& reporter, UpgradeSummary& summary) {
    FastLink fastLink = request.fastLink;
    CommandLineView view(reporter, &fastLink);
    std::optional<Failure> refusal;
    view.setImageCheck([&](const UpgradeReport& report) {
        refusal = refusalOf(request, record, report);
        return !refusal;
    });
    QElapsedTimer clock;
    clock.start();
    summary.report = UpgradeProcedure::Run(view, request.imagePath, summary.serial);
    summary.durationMs = clock.elapsed();
    completeByteReply(summary.report.failed, view.restOfReply());
    if (summary.report.openFailure) {
        summary.report.openFailure =
            DeviceList::Explained(*summary.report.openFailure, summary.serial);
    }
    const FailureSaid said = DescribeFailure(summary.report, summary.serial,
                                             NativePath::Displayed(request.imagePath), driver);
    say(summary, exitCodeFor(summary.report.exit, said.key.cause),
        refusal ? *refusal : Failure{said.key, said.detail});
    summary.latencyFoundMs = fastLink.foundMs();
    summary.latencyUsedMs = fastLink.usedMs();
    if (record && record->started() && !record->close(JsonReporter::EndFields(summary))) {
        recordLost(summary, record->error());
    }
}

// Why the unit cannot be flashed before the procedure runs; nothing when it can.
std::optional<std::pair<ExitCode, Failure>> earlyFailure(const std::optional<Driver>& driver,
                                                         const QString& serial,
                                                         const std::optional<AttemptWriter>& record,
                                                         bool recordOpen) {
    if (!driver) {
        return {{ExitCode::NoLibrary,
                 {{.step = QStringLiteral("library"), .cause = FailureCause::NoLibrary},
                  NoLibraryDetail}}};
    }
    if (serial.isEmpty()) {
        return {{ExitCode::NoSuchDevice, {NoneAttachedKey(*driver), NoneAttachedDetail}}};
    }
    if (!recordOpen) {
        return {{ExitCode::FileError, {kRecordFile, record->error()}}};
    }
    return std::nullopt;
}

}  // namespace

ExitCode RunUpgrade(const UpgradeRequest& request) {
    UpgradeSummary summary;
    summary.serial = request.serial;
    summary.imagePath = request.imageName;
    const std::optional<Driver> driver = InstallDriver(request.driver, request.serial);
    if (driver && summary.serial.isEmpty()) {
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
    if (request.json) {
        reporter = std::make_unique<JsonReporter>();
    } else {
        reporter = std::make_unique<TextReporter>();
    }
    std::optional<AttemptWriter> record;
    const bool recordOpen =
        !request.recordPath ||
        record.emplace().open(*request.recordPath, summary.serial, request.place);
    reporter->start(summary.serial, summary.imagePath, record ? record->attempt() : QString());
    // Said once, through the reporter: on stderr for a person, in the closing event for a program.
    if (const auto early = earlyFailure(driver, summary.serial, record, recordOpen)) {
        say(summary, early->first, early->second);
    } else {
        flash(request, *driver, record, *reporter, summary);
    }
    reporter->finish(summary);
    return summary.exit;
}
