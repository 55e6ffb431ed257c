#include "app/line/LineCommandLine.h"

#include <QSysInfo>

#include "app/ProgramCommandLine.h"

namespace LineCommandLine {

std::variant<LinkOptions, int> Parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The stations of a production line on one screen, as the line's MQTT "
                       "broker holds them: each station's state, image, figures, slots and latest "
                       "failure, and the line's totals."));
    parser.addOptions(LinkArguments::Options(LinkArguments::Role::View));
    if (const std::optional<int> exit =
            ProgramCommandLine::Parse(parser, arguments, ProgramName,
                                      QStringLiteral("--broker URL --line NAME [options]"), 0)) {
        return *exit;
    }
    const auto read =
        LinkArguments::Read(parser, LinkArguments::Role::View, QSysInfo::machineHostName());
    if (const QString* error = std::get_if<QString>(&read)) {
        return ProgramCommandLine::Fail(ProgramName, *error);
    }
    return **std::get_if<std::optional<LinkOptions>>(&read);
}

}  // namespace LineCommandLine
