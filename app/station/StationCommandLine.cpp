#include "app/station/StationCommandLine.h"

#include <QSysInfo>

#include "app/ProgramCommandLine.h"

namespace StationCommandLine {
namespace {

constexpr int kFileError = 3;

}  // namespace

std::variant<StationWindowOptions, int> Parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A station for a production line, in one window: flashes IMAGE into every "
                       "µTarvellon unit plugged into the station's bridges, once per plug-in, and "
                       "keeps a record of each. Without IMAGE it asks for one."));
    parser.addOptions(StationArguments::Options() +
                      LinkArguments::Options(LinkArguments::Role::Station));
    parser.addPositionalArgument(QStringLiteral("IMAGE"),
                                 QStringLiteral("The firmware image file (.frw)."),
                                 QStringLiteral("[IMAGE]"));
    if (const std::optional<int> exit = ProgramCommandLine::Parse(
            parser, arguments, ProgramName, QStringLiteral("[options] [IMAGE]"), 1)) {
        return *exit;
    }
    const std::variant<StationArguments::Parsed, StationArguments::Failure> parsed =
        StationArguments::Read(parser);
    if (const auto* failure = std::get_if<StationArguments::Failure>(&parsed)) {
        return ProgramCommandLine::Fail(
            ProgramName, failure->text,
            failure->fileError ? kFileError : ProgramCommandLine::kUsageError);
    }
    const auto line =
        LinkArguments::Read(parser, LinkArguments::Role::Station, QSysInfo::machineHostName());
    if (const QString* error = std::get_if<QString>(&line)) {
        return ProgramCommandLine::Fail(ProgramName, *error);
    }
    StationWindowOptions options;
    options.station = std::get<StationArguments::Parsed>(parsed).options;
    options.line = std::get<std::optional<LinkOptions>>(line);
    if (options.line) options.station.station = options.line->station;
    options.driver = std::get<StationArguments::Parsed>(parsed).driver;
    options.image = parser.positionalArguments().value(0);
    return options;
}

}  // namespace StationCommandLine
