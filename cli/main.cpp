// tarvellon-flash: the upgrader for scripts, test rigs and the bench. It runs the window's very
// operations on the widget-free core, so it needs no display; its outcome is an exit code.

#include <QCoreApplication>
#include <csignal>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "link/Interrupt.h"
#include "support/NativePath.h"

namespace {

const Command kCommands[] = {
    {"list", "", "Prints the serial numbers of the attached devices, one a line.", Commands::List},
    {"identify", "SERIAL", "Blinks the device's activity LED six times, then resets it.",
     Commands::Identify},
    {"upgrade", "SERIAL IMAGE", "Loads the firmware image into the device.", Commands::Upgrade},
    {"station", "IMAGE", "Loads the image into every device plugged in, keeping a record of each.",
     Commands::Station},
};

QString programHelp() {
    QString help = QStringLiteral(
                       "Usage: %1 COMMAND [options] [arguments]\n\n"
                       "Upgrades the firmware of µTarvellon devices attached through "
                       "an FTDI bridge.\n\nCommands:\n")
                       .arg(CommandLine::ProgramName);
    for (const Command& command : kCommands) {
        const QString usage = QStringLiteral("%1 %2").arg(command.name, command.arguments);
        help += QStringLiteral("  %1%2\n").arg(usage, -22).arg(QString::fromUtf8(command.summary));
    }
    return help +
           QStringLiteral(
               "\nOptions:\n"
               "  -h, --help            This help; after a command, its own.\n"
               "  --version             The program's version.\n\n") +
           ExitCodeHelp();
}

// The running exchange sees the request at its next poll and ends the upgrade on its usual path,
// closing the device and putting the bridge back.
void requestInterrupt(int) {
    Interrupt::Request();
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(CommandLine::ProgramName);
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVELLON_VERSION));
    // A closed terminal or a dropped ssh session (SIGHUP) ends an upgrade as Ctrl-C does.
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) std::signal(number, requestInterrupt);
    // A reader that goes away (`| head`) must not end the program with the device still open, nor
    // a file size limit met by a record.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);

    // Not QCoreApplication::arguments(), which loses the bytes of a path that are not UTF-8.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << NativePath::Decoded(argv[i]);
    const QString name = arguments.value(1);
    if (name == QStringLiteral("--help") || name == QStringLiteral("-h")) {
        CommandLine::Out(programHelp(), false);
        return static_cast<int>(ExitCode::Success);
    }
    if (name == QStringLiteral("--version")) {
        CommandLine::Out(CommandLine::ProgramName + ' ' + QCoreApplication::applicationVersion());
        return static_cast<int>(ExitCode::Success);
    }
    for (const Command& command : kCommands) {
        if (name == QLatin1String(command.name)) {
            return static_cast<int>(command.run(command, arguments.mid(1)));
        }
    }
    CommandLine::Err(name.isEmpty() ? QStringLiteral("no command given")
                                    : QStringLiteral("unknown command '%1'").arg(name));
    CommandLine::Err(QStringLiteral("try '%1 --help'").arg(CommandLine::ProgramName));
    return static_cast<int>(ExitCode::UsageError);
}
