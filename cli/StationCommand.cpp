// `station`: flashes every unit plugged into the station's bridges with one image, and keeps a
// record of each attempt. The image is read and checked once before anything else, by the
// upgrade's own file checks, and every upgrade is given a private copy of those very bytes, so a
// file replaced meanwhile changes nothing. No unit is touched until its record can be written.

#include <QCoreApplication>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/ImageCheck.h"
#include "cli/StationDisplay.h"
#include "link/FastLink.h"
#include "station/SlotNames.h"
#include "station/StationEngine.h"

namespace {

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
    const QCommandLineOption slotsFile(
        QStringLiteral("slots"),
        QStringLiteral("Name the slots as FILE says, one LOCATION = NAME a line (1-1.4 = Slot 3, "
                       "0x1142 = Slot 3). Default: numbered in the order of their locations."),
        QStringLiteral("FILE"));
    const QCommandLineOption latency = LatencyOption();
    parser.addOptions({newOnly, jobs, count, recordFile, json, slotsFile, latency, DriverOption()});
    if (const auto exit = CommandLine::Parse(
            parser, command, arguments,
            {{QStringLiteral("IMAGE"), QStringLiteral("The firmware image file (.frw).")}})) {
        return *exit;
    }
    StationOptions options;
    options.program = QCoreApplication::applicationFilePath();
    options.imagePath = parser.positionalArguments().at(0);
    options.recordPath = parser.value(recordFile);
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
    options.latency = parser.value(latency);
    if (parser.isSet(slotsFile)) {
        const SlotNames::Read names = SlotNames::FromFile(parser.value(slotsFile));
        if (names.unreadable) {
            CommandLine::Err(names.error);
            return ExitCode::FileError;
        }
        if (!names.error.isEmpty()) return CommandLine::UsageError(names.error);
        options.slotNames = names.byLocation;
    }

    const ImageCheck check = CheckImage(options.imagePath);
    if (!check.passed) {
        CommandLine::Err(check.detail);
        CommandLine::Hint(check.hint);
        return ExitCode::FileError;
    }
    options.image = check.report;
    const std::variant<Driver, ExitCode> driver = CommandLine::UseDriver(parser);
    if (const ExitCode* exit = std::get_if<ExitCode>(&driver)) {
        return *exit;
    }
    options.driver = std::get<Driver>(driver);

    StationEngine engine(options);
    if (const std::optional<StartFailure> failure = engine.start()) {
        CommandLine::Err(failure->detail);
        if (!failure->hint.isEmpty()) CommandLine::Hint(failure->hint);
        return ExitCode::FileError;
    }
    if (engine.skippedRecordLines() > 0) {
        CommandLine::Err(
            QStringLiteral("the record file %1 holds %2 line(s) that are not whole "
                           "records; they count for nothing")
                .arg(options.recordPath, QString::number(engine.skippedRecordLines())));
    }
    return RunStation(engine, parser.isSet(json));
}
