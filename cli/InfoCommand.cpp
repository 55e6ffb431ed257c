// `info`: checks an image without a device, by the upgrade's own file checks, and says what an
// upgrade with it would send and how long that takes; a wrong image is found at the desk rather
// than at the bench.

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/JsonReporter.h"
#include "link/DeviceCommands.h"
#include "operations/CountText.h"
#include "operations/FailureDetail.h"
#include "operations/ImageCheck.h"

namespace {

// Each record is written and acknowledged before the next: 14 bytes of ten bits on the wire at
// the 9,600 baud a bridge opens at, the device's own time to program it (1 ms assumed), and the
// wait for the bridge's latency timer, which holds the 1-byte acknowledgement.
constexpr double kBaud = 9600;
constexpr double kProgrammingMs = 1;
constexpr int kDefaultTimerMs = 16;
constexpr int kFastTimerMs = 1;

qint64 expectedMs(int records, int timerMs) {
    const double wireMs = (DeviceCommands::RecordSize + 1) * 10 * 1000 / kBaud;
    return qRound64(records * (wireMs + kProgrammingMs + timerMs));
}

// What an image holds and how long flashing it takes, for a person.
void printInfo(const QString& path, const UpgradeReport& report, const QString& sha256,
               qint64 ignored) {
    CommandLine::Out(QStringLiteral("file      %1").arg(path));
    CommandLine::Out(QStringLiteral("size      %1 bytes").arg(CountText(report.fileLength)));
    CommandLine::Out(QStringLiteral("key       %1").arg(EscapedDeviceText(report.imageKey)));
    CommandLine::Out(QStringLiteral("records   %1").arg(CountText(report.records)));
    if (ignored > 0) {
        CommandLine::Out(
            QStringLiteral("ignored   %1 bytes after the last whole record, never sent")
                .arg(ignored));
    }
    CommandLine::Out(QStringLiteral("sha256    %1").arg(sha256));
    CommandLine::Out(QStringLiteral("duration  %1 at the bridge's default %2 ms latency timer, "
                                    "%3 with the fast link (%4 ms)")
                         .arg(SecondsText(expectedMs(report.records, kDefaultTimerMs)))
                         .arg(kDefaultTimerMs)
                         .arg(SecondsText(expectedMs(report.records, kFastTimerMs)))
                         .arg(kFastTimerMs));
}

}  // namespace

ExitCode Commands::Info(const Command& command, const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral("One JSON object on stdout, for programs (fields: README.md, "
                       "man tarvellon-flash)."));
    parser.addOption(json);
    if (const auto exit =
            CommandLine::Parse(parser, command, arguments, {CommandLine::ImageArgument})) {
        return *exit;
    }
    const QString path = parser.positionalArguments().constFirst();
    const ImageCheck check = CheckImage(path);
    const UpgradeReport& report = check.report;
    const QString sha256 = check.passed ? report.imageSha256() : QString();
    const ExitCode exit = check.passed ? ExitCode::Success : ExitCode::FileError;
    // A few bytes after the last whole record are never sent: said, rather than refused.
    const qint64 ignored = report.fileLength - DeviceCommands::KeySize -
                           qint64{report.records} * DeviceCommands::RecordSize;
    if (parser.isSet(json)) {
        const auto numberOrNull = [&](qint64 value) {
            return check.passed ? QJsonValue(value) : QJsonValue();
        };
        JsonReporter::EmitEvent(
            QStringLiteral("info"),
            {{"schema_version", JsonReporter::SchemaVersion},
             {"image", path},
             {"image_bytes", report.fileLength < 0 ? QJsonValue() : report.fileLength},
             {"image_key", JsonReporter::TextOrNull(report.imageKey)},
             {"records", numberOrNull(report.records)},
             {"ignored_bytes", numberOrNull(ignored)},
             {"image_sha256", JsonReporter::TextOrNull(sha256)},
             {"expected_ms_default_timer",
              numberOrNull(expectedMs(report.records, kDefaultTimerMs))},
             {"expected_ms_fast_link", numberOrNull(expectedMs(report.records, kFastTimerMs))},
             {"exit_code", static_cast<int>(exit)},
             {"detail", JsonReporter::TextOrNull(check.detail)},
             {"hint", JsonReporter::TextOrNull(check.hint)}});
        return exit;
    }
    if (!check.passed) {
        CommandLine::Err(check.detail);
        CommandLine::Hint(check.hint);
        return exit;
    }
    printInfo(path, report, sha256, ignored);
    return exit;
}
