// `upgrade`: one run of the window's upgrade procedure, its outcome as an exit code and, with
// --json, as one closing event a program can read; with --record, each attempt in the record file.
// The arguments are read whole into a request first (here), then run (UpgradeRun.cpp).

#include <QRegularExpression>

#include "cli/CommandLine.h"
#include "cli/UnitChoice.h"
#include "cli/UpgradeRequest.h"
#include "support/NativePath.h"

namespace {

const QList<CommandLine::Positional> kPositionals = {SerialArgument, CommandLine::ImageArgument};

const QCommandLineOption kJson(QStringLiteral("json"),
                               QStringLiteral("One JSON object a line on stdout, for programs "
                                              "(fields: README.md, man tarvellon-flash)."));
const QCommandLineOption kRecordFile(
    QStringLiteral("record"),
    QStringLiteral("Append the attempt to FILE: a started line before the device is opened "
                   "(the unit is not touched when it cannot be written), the closing line "
                   "after it is closed (fields: README.md)."),
    QStringLiteral("FILE"));
const QCommandLineOption kExpectSha256(
    QStringLiteral("expect-sha256"),
    QStringLiteral("Refuse the image (exit 3) unless its SHA-256 is HEX."), QStringLiteral("HEX"));
const QCommandLineOption kImageName(
    QStringLiteral("image-name"),
    QStringLiteral("Name the image NAME in the output and the record, as for a copy of it. "
                   "Default: IMAGE."),
    QStringLiteral("NAME"));
const QCommandLineOption kSlot(
    QStringLiteral("slot"),
    QStringLiteral("Record the attempt as made by a station, in its slot NAME (the station "
                   "passes it)."),
    QStringLiteral("NAME"));
const QCommandLineOption kLocation(
    QStringLiteral("location"),
    QStringLiteral("Record LOCATION as where the unit hangs (the station passes it)."),
    QStringLiteral("LOCATION"));
const QCommandLineOption kStation(
    QStringLiteral("station"),
    QStringLiteral("Record the attempt as made by station NAME (the station passes it). "
                   "Default: the host name."),
    QStringLiteral("NAME"));

}  // namespace

std::variant<UpgradeRequest, ExitCode> ReadUpgradeRequest(const Command& command,
                                                          const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption latency = FastLink::Option();
    parser.addOptions({kJson, latency, kRecordFile, kExpectSha256, kImageName, kSlot, kLocation,
                       kStation, DriverChoice::Option(), PortOption(), CommandLine::VerboseOption(),
                       CommandLine::QuietOption()});
    if (const auto exit = CommandLine::Parse(parser, command, arguments, kPositionals)) {
        return *exit;
    }
    const std::optional<FastLink> fastLink = FastLink::FromOption(parser.value(latency));
    if (!fastLink) {
        return CommandLine::UsageError(FastLink::OptionError);
    }
    const QString expected = parser.value(kExpectSha256).toLower();
    static const QRegularExpression sha256Digits(QStringLiteral("^[0-9a-f]{64}$"));
    if (parser.isSet(kExpectSha256) && !sha256Digits.match(expected).hasMatch()) {
        return CommandLine::UsageError(
            QStringLiteral("--expect-sha256 takes the 64 hex digits of a SHA-256"));
    }
    const std::optional<DriverRequest> driver = ReadDriverOptions(parser);
    if (!driver) {
        return ExitCode::UsageError;
    }
    const QString imagePath =
        CommandLine::PositionalValue(parser, kPositionals, CommandLine::ImageArgument.name);
    return UpgradeRequest{
        .serial = NamedUnit(parser, kPositionals),
        .imagePath = imagePath,
        .imageName =
            parser.isSet(kImageName) ? parser.value(kImageName) : NativePath::Displayed(imagePath),
        .json = parser.isSet(kJson),
        .fastLink = *fastLink,
        .expectedSha256 = expected,
        .recordPath =
            parser.isSet(kRecordFile) ? std::optional(parser.value(kRecordFile)) : std::nullopt,
        .place = {parser.value(kSlot), parser.value(kLocation), parser.value(kStation)},
        .driver = *driver,
    };
}

ExitCode Commands::Upgrade(const Command& command, const QStringList& arguments) {
    const std::variant<UpgradeRequest, ExitCode> request = ReadUpgradeRequest(command, arguments);
    if (const ExitCode* exit = std::get_if<ExitCode>(&request)) {
        return *exit;
    }
    return RunUpgrade(std::get<UpgradeRequest>(request));
}
