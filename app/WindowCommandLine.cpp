#include "app/WindowCommandLine.h"

#include <QFileInfo>

#include "app/ProgramCommandLine.h"

namespace WindowCommandLine {

std::variant<WindowOptions, int> Parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Loads new firmware into µTarvellon devices attached through an FTDI "
                       "bridge, in one window."));
    const QCommandLineOption driver = DriverChoice::Option();
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("List the port at PATH too, reached through the kernel's serial driver and "
                       "named by its USB serial number, or by its path when it has none. May be "
                       "given more than once."),
        QStringLiteral("PATH"));
    const QCommandLineOption latency(
        QStringLiteral("latency-ms"),
        QStringLiteral("The bridge's latency timer during an upgrade, 1 to 255 ms, or 'keep' to "
                       "leave the bridge alone. Default: keep."),
        QStringLiteral("N|keep"), QStringLiteral("keep"));
    parser.addOptions({driver, port, latency});
    if (const std::optional<int> exit = ProgramCommandLine::Parse(parser, arguments, ProgramName,
                                                                  QStringLiteral("[options]"), 0)) {
        return *exit;
    }
    const auto usageError = [](const QString& error) {
        return ProgramCommandLine::Fail(ProgramName, error);
    };
    WindowOptions options;
    options.ports = parser.values(port);
    if (options.ports.contains(QString())) {
        return usageError(QStringLiteral("--port takes a path"));
    }
    const std::variant<DriverChoice::Choice, QString> choice =
        DriverChoice::Parse(parser.value(driver), !options.ports.isEmpty());
    if (const QString* error = std::get_if<QString>(&choice)) {
        return usageError(*error);
    }
    options.driver = std::get<DriverChoice::Choice>(choice);
    // The window would list nothing for it and say nothing.
    for (const QString& path : std::as_const(options.ports)) {
        if (!QFileInfo::exists(path)) {
            return usageError(QStringLiteral("--port %1 does not exist").arg(path));
        }
    }
    // "" would ask for the lowest timer, as the command line's default does.
    const std::optional<FastLink> fastLink = parser.value(latency).isEmpty()
                                                 ? std::nullopt
                                                 : FastLink::FromOption(parser.value(latency));
    if (!fastLink) {
        return usageError(FastLink::OptionError);
    }
    options.fastLink = *fastLink;
    return options;
}

}  // namespace WindowCommandLine
