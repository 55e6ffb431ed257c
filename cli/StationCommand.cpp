// `station`: flashes every unit plugged into the station's bridges with one image, and keeps the
// lines of each attempt in the record file. The image is read and checked once before anything
// else, by the upgrade's own file checks, and every upgrade is given a private copy of those very
// bytes, so a file replaced meanwhile changes nothing. No unit is touched until its started line
// can be written.

#include <QCoreApplication>
#include <QSysInfo>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/StationDisplay.h"
#include "line/StationLink.h"
#include "station/StationArguments.h"
#include "station/StationStart.h"
#include "station/StopSignals.h"

namespace {

struct StationRequest {
    StationOptions options;
    DriverChoice::Choice driver = DriverChoice::Choice::Auto;
    std::optional<LinkOptions> publish;
};

// The station's options read whole, or the exit code of a mistake in them.
std::variant<StationRequest, ExitCode> readRequest(const QCommandLineParser& parser) {
    const std::optional<int> units =
        StationArguments::PositiveNumber(parser, QStringLiteral("count"));
    if (!units) {
        return CommandLine::UsageError(QStringLiteral("--count takes a whole number above 0"));
    }
    const std::variant<StationArguments::Parsed, StationArguments::Failure> parsed =
        StationArguments::Read(parser);
    if (const auto* failure = std::get_if<StationArguments::Failure>(&parsed)) {
        if (!failure->fileError) return CommandLine::UsageError(failure->text);
        CommandLine::Err(failure->text);
        return ExitCode::FileError;
    }
    const auto line =
        LinkArguments::Read(parser, LinkArguments::Role::Station, QSysInfo::machineHostName());
    if (const QString* error = std::get_if<QString>(&line)) return CommandLine::UsageError(*error);
    const std::optional<LinkOptions>& publish = std::get<std::optional<LinkOptions>>(line);
    const StationArguments::Parsed& read = std::get<StationArguments::Parsed>(parsed);
    StationRequest request{read.options, read.driver, publish};
    if (publish) request.options.station = publish->station;
    request.options.count = *units;
    request.options.program = QCoreApplication::applicationFilePath();
    request.options.imagePath = parser.positionalArguments().at(0);
    return request;
}

}  // namespace

ExitCode Commands::Station(const Command& command, const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("End after N units. Default: run until Ctrl-C "
                                                  "(a second Ctrl-C interrupts the upgrades)."),
                                   QStringLiteral("N"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print the unit records on stdout, one a line."));
    parser.addOptions(StationArguments::Options()
                      << count << json << LinkArguments::Options(LinkArguments::Role::Station));
    if (const auto exit =
            CommandLine::Parse(parser, command, arguments, {CommandLine::ImageArgument})) {
        return *exit;
    }
    const std::variant<StationRequest, ExitCode> read = readRequest(parser);
    if (const ExitCode* exit = std::get_if<ExitCode>(&read)) return *exit;
    const StationRequest& request = std::get<StationRequest>(read);
    const QString& recordPath = request.options.recordPath;

    StopSignals stopSignals;
    std::variant<std::unique_ptr<StationEngine>, StartFailure> started =
        StationStart::Start(request.options, request.driver);
    if (const auto* failure = std::get_if<StartFailure>(&started)) {
        for (const QString& line : StationStart::TerminalLines(*failure)) CommandLine::Err(line);
        return failure->step == StartFailure::Step::Library ? ExitCode::NoLibrary
                                                            : ExitCode::FileError;
    }
    StationEngine& engine = *std::get<std::unique_ptr<StationEngine>>(started);
    if (engine.skippedRecordLines() > 0) {
        CommandLine::Err(QStringLiteral("the record file %1 holds %2 line(s) that are not whole "
                                        "records; they count for nothing")
                             .arg(recordPath, QString::number(engine.skippedRecordLines())));
    }
    std::unique_ptr<StationLink> link;
    if (request.publish) {
        link = std::make_unique<StationLink>(*request.publish, engine);
        if (const std::optional<QString> failure = link->start()) {
            CommandLine::Err(*failure);
            return ExitCode::FileError;
        }
    }
    const ExitCode exit = RunStation(engine, stopSignals, parser.isSet(json), link.get());
    if (link) link->finish();
    return exit;
}
