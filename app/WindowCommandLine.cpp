#include "app/WindowCommandLine.h"

#include <QCommandLineParser>
#include <cstdio>

namespace WindowCommandLine {
namespace {

constexpr int kUsageError = 64;

void write(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, bytes.size(), stream);
    std::fflush(stream);
}

int usageError(const QString& error) {
    write(stderr, QStringLiteral("%1: %2\n%1: try '%1 --help'\n").arg(ProgramName, error));
    return kUsageError;
}

}  // namespace

std::variant<WindowOptions, int> Parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Loads new firmware into µTarvellon devices attached through an FTDI "
                       "bridge, in one window."));
    // Qt's own help option would also offer --help-all, for Qt's options this program has not.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("This help."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("The program's version."));
    const QCommandLineOption driver(QStringLiteral("driver"), DriverChoice::Help,
                                    DriverChoice::Names, QStringLiteral("auto"));
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
    parser.addOptions({help, version, driver, port, latency});
    if (!parser.parse(arguments)) {
        return usageError(parser.errorText());
    }
    if (parser.isSet(help)) {
        // Qt's own first line names the program by its path, or not at all before the
        // application object exists.
        const QString qtHelp = parser.helpText();
        write(stdout, QStringLiteral("Usage: %1 [options]").arg(ProgramName) +
                          qtHelp.mid(qtHelp.indexOf(u'\n')));
        return 0;
    }
    if (parser.isSet(version)) {
        write(stdout, ProgramName + QStringLiteral(" " TARVELLON_VERSION "\n"));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    }
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
