// `station`: flashes every unit plugged into the station's bridges with one image, and keeps a
// record of each attempt. The image is read and checked once before anything else, by the
// upgrade's own file checks, and every upgrade is given a private copy of those very bytes, so a
// file replaced meanwhile changes nothing. No unit is touched until its record can be written.

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/ImageCheck.h"
#include "cli/Station.h"
#include "link/FastLink.h"
#include "operations/FailureHint.h"
#include "support/NativePath.h"

namespace {

// A copy of the checked bytes in a folder of this process's own, read-only; "" with `error` set
// when it cannot be written.
QString privateCopy(const QTemporaryDir& folder, const QByteArray& bytes, QString& error) {
    QSaveFile copy(folder.filePath(QStringLiteral("image.frw")));
    if (!folder.isValid() || !copy.open(QIODevice::WriteOnly) ||
        copy.write(bytes) != bytes.size() || !copy.commit() ||
        !QFile::setPermissions(copy.fileName(), QFileDevice::ReadOwner)) {
        error = folder.isValid() ? copy.errorString() : folder.errorString();
        return {};
    }
    return copy.fileName();
}

std::optional<int> positiveNumber(const QCommandLineParser& parser,
                                  const QCommandLineOption& option) {
    if (!parser.isSet(option)) return 0;
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    return ok && value > 0 ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

ExitCode Commands::Station(const Command& command, const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption newOnly(
        QStringLiteral("new-only"), QStringLiteral("Leave the units attached at the start alone."));
    const QCommandLineOption jobs(QStringLiteral("jobs"),
                                  QStringLiteral("At most N upgrades at once. Default: no cap."),
                                  QStringLiteral("N"));
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("End after N units. Default: run until Ctrl-C "
                                                  "(a second Ctrl-C interrupts the upgrades)."),
                                   QStringLiteral("N"));
    const QCommandLineOption recordFile(
        QStringLiteral("record"),
        QStringLiteral(
            "Append the record of every unit to FILE. Default: tarvellon-records.jsonl."),
        QStringLiteral("FILE"), QStringLiteral("tarvellon-records.jsonl"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print the unit records on stdout, one a line."));
    const QCommandLineOption latency = LatencyOption();
    parser.addOptions({newOnly, jobs, count, recordFile, json, latency, DriverOption()});
    if (const auto exit = CommandLine::Parse(
            parser, command, arguments,
            {{QStringLiteral("IMAGE"), QStringLiteral("The firmware image file (.frw).")}})) {
        return *exit;
    }
    StationOptions options;
    options.imagePath = parser.positionalArguments().at(0);
    options.newOnly = parser.isSet(newOnly);
    const std::optional<int> jobCap = positiveNumber(parser, jobs);
    const std::optional<int> units = positiveNumber(parser, count);
    if (!jobCap || !units) {
        return CommandLine::UsageError(
            QStringLiteral("--jobs and --count take a whole number above 0"));
    }
    // Checked here, or every unit would fail on it.
    if (!FastLink::FromOption(parser.value(latency))) {
        return CommandLine::UsageError(FastLink::OptionError);
    }
    options.jobs = *jobCap;
    options.count = *units;
    if (parser.isSet(latency)) {
        options.upgradeOptions = {QStringLiteral("--latency-ms"), parser.value(latency)};
    }

    const ImageCheck check = CheckImage(options.imagePath);
    if (!check.passed) {
        CommandLine::Err(check.detail);
        CommandLine::Hint(check.hint);
        return ExitCode::FileError;
    }
    options.image = check.report;
    const QTemporaryDir copyFolder(
        QDir::temp().filePath(CommandLine::ProgramName + QStringLiteral("-station-XXXXXX")));
    QString copyError;
    options.imageCopy = privateCopy(copyFolder, options.image.image, copyError);
    if (options.imageCopy.isEmpty()) {
        CommandLine::Err(
            QStringLiteral("cannot keep a private copy of the image: %1").arg(copyError));
        return ExitCode::FileError;
    }
    // Named from here on, never opened again.
    options.imagePath = NativePath::Displayed(options.imagePath);
    const QString sha256 = QString::fromLatin1(
        QCryptographicHash::hash(options.image.image, QCryptographicHash::Sha256).toHex());

    const QString recordPath = parser.value(recordFile);
    UnitRecords records;
    if (!records.open(recordPath)) {
        CommandLine::Err(QStringLiteral("cannot append to the record file %1: %2")
                             .arg(recordPath, records.errorString()));
        CommandLine::Hint(FailureHint(
            {.step = QStringLiteral("record_file"), .cause = FailureCause::RecordFileUnwritable}));
        return ExitCode::FileError;
    }
    records.readNew();
    if (records.skippedLines() > 0) {
        CommandLine::Err(QStringLiteral("the record file %1 holds %2 line(s) that are not whole "
                                        "records; they count for nothing")
                             .arg(recordPath)
                             .arg(records.skippedLines()));
    }
    options.upgradeOptions << QStringLiteral("--image-name") << options.imagePath
                           << QStringLiteral("--expect-sha256") << sha256
                           << QStringLiteral("--record")
                           << QFileInfo(recordPath).absoluteFilePath();
    const std::variant<Driver, ExitCode> driver = CommandLine::UseDriver(parser);
    if (const ExitCode* exit = std::get_if<ExitCode>(&driver)) {
        return *exit;
    }
    // Every upgrade reaches its unit the way the station found it.
    options.upgradeOptions << QStringLiteral("--driver") << DriverName(std::get<Driver>(driver));
    const std::unique_ptr<StationDisplay> display = StationDisplay::ForStdout(parser.isSet(json));
    ::Station station(options, records, *display);
    return station.run();
}
