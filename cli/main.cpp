// tarvellon-flash: the upgrader for scripts, test rigs and the bench. It runs the window's very
// operations on the widget-free core, so it needs no display; its outcome is an exit code.

#include <QCoreApplication>
#include <csignal>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "link/Interrupt.h"
#include "support/NativePath.h"
#include "support/ProgramOutput.h"

namespace {

const Command kCommands[] = {
    {"list", "", "Prints the serial numbers of the attached devices, one a line.", Commands::List},
    {"identify", "[SERIAL]", "Blinks the device's activity LED six times, then resets it.",
     Commands::Identify},
    {"upgrade", "[SERIAL] IMAGE", "Loads the firmware image into the device.", Commands::Upgrade},
    {"station", "IMAGE", "Loads the image into every device plugged in, keeping a record of each.",
     Commands::Station},
    {"info", "IMAGE", "Checks an image without a device: key, records, SHA-256, duration.",
     Commands::Info},
};

// Examples as help2man renders them in the manual page's EXAMPLES.
const char* const kExamples[] = {
    "tarvellon-flash list -l                     # the attached units, their ports",
    "tarvellon-flash info firmware.frw           # check an image at the desk",
    "tarvellon-flash upgrade firmware.frw        # the one unit attached",
    "tarvellon-flash upgrade TARV0001 firmware.frw --json -v",
    "tarvellon-flash station --count 20 firmware.frw",
};

QString programHelp() {
    QString help = QStringLiteral(
                       "Usage: %1 COMMAND [options] [arguments]\n\n"
                       "Upgrades the firmware of µTarvellon devices attached through "
                       "an FTDI bridge.\n\nCommands:\n")
                       .arg(CommandLine::ProgramName);
    const auto commandLine = [](const QString& usage, const QString& summary) {
        return QStringLiteral("  %1%2\n").arg(usage, -24).arg(summary);
    };
    for (const Command& command : kCommands) {
        help += commandLine(QStringLiteral("%1 %2").arg(command.name, command.arguments),
                            QString::fromUtf8(command.summary));
    }
    help += commandLine(QStringLiteral("help [COMMAND]"),
                        QStringLiteral("This help, or a command's own."));
    help += QStringLiteral(
                "\nOptions:\n"
                "  -h, --help            This help; after a command, its own.\n"
                "  -V, --version         The program's version.\n\n") +
            ExitCodeHelp() + QStringLiteral("\nExamples:\n");
    for (const char* example : kExamples) {
        help += QStringLiteral("  $ %1\n").arg(QString::fromUtf8(example));
    }
    return help;
}

const Command* findCommand(const QString& name) {
    for (const Command& command : kCommands) {
        if (name == QLatin1String(command.name)) {
            return &command;
        }
    }
    return nullptr;
}

// `help` alone is --help; `help COMMAND` is that command's --help.
ExitCode help(const QStringList& arguments) {
    if (arguments.size() == 2) {
        CommandLine::Out(programHelp(), false);
        return ExitCode::Success;
    }
    const QString name = arguments.value(2);
    if (name == QStringLiteral("--help") || name == QStringLiteral("-h")) {
        return help(arguments.first(2));
    }
    const Command* command = findCommand(name);
    if (arguments.size() > 3 || command == nullptr) {
        QStringList names;
        for (const Command& known : kCommands) {
            names << QString::fromLatin1(known.name);
        }
        return CommandLine::UsageError(
            QStringLiteral("help takes one command: %1").arg(names.join(QStringLiteral(", "))));
    }
    return command->run(*command, {arguments[2], QStringLiteral("--help")});
}

ExitCode run(const QStringList& arguments) {
    const QString name = arguments.value(1);
    if (name == QStringLiteral("--help") || name == QStringLiteral("-h")) {
        return help(arguments.first(2));
    }
    if (name == QStringLiteral("help")) {
        return help(arguments);
    }
    if (name == QStringLiteral("--version") || name == QStringLiteral("-V")) {
        CommandLine::Out(CommandLine::VersionLine());
        return ExitCode::Success;
    }
    if (const Command* command = findCommand(name)) {
        return command->run(*command, arguments.mid(1));
    }
    return CommandLine::UsageError(name.isEmpty()
                                       ? QStringLiteral("no command given")
                                       : QStringLiteral("unknown command '%1'").arg(name));
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
    const ExitCode exit = run(arguments);
    // Output that did not reach its file is a failure of its own, whatever the command did.
    if (const QString failure = ProgramOutput::WriteFailure(); !failure.isEmpty()) {
        CommandLine::Err(failure);
        return static_cast<int>(ExitCode::WriteError);
    }
    return static_cast<int>(exit);
}
