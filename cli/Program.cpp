// The program's commands: one table that dispatch and --help both read, each command in a file
// of its own.

#include "cli/Program.h"

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/HelpText.h"
#include "support/ProgramOutput.h"

namespace {

using enum ExitCode;

const Command kCommands[] = {
    {"list",
     "",
     "Prints the serial numbers of the attached devices, one a line.",
     Commands::List,
     {Success, NoSuchDevice, NoLibrary, UsageError, WriteError}},
    {"identify",
     "[SERIAL]",
     "Blinks the device's activity LED six times, then resets it.",
     Commands::Identify,
     {Success, NoSuchDevice, NoLibrary, UsageError, WriteError, Interrupted}},
    {"upgrade",
     "[SERIAL] IMAGE",
     "Loads the firmware image into the device.",
     Commands::Upgrade,
     {Success, CommunicationError, ProgrammingError, FileError, NoSuchDevice, NoLibrary, UsageError,
      WriteError, Interrupted}},
    {"station",
     "IMAGE",
     "Loads the image into every device plugged in, keeping a record of each.",
     Commands::Station,
     {Success, FileError, NoLibrary, UnitsFailed, UsageError, WriteError, Interrupted}},
    {"info",
     "IMAGE",
     "Checks an image without a device: key, records, SHA-256, duration.",
     Commands::Info,
     {Success, FileError, UsageError, WriteError}},
    {"line",
     "",
     "Shows the stations of a line as its MQTT broker holds them.",
     Commands::Line,
     {Success, StationsOffline, LineStopped, BrokerUnreachable, UsageError, WriteError,
      Interrupted}},
};

// Examples as help2man renders them in the manual page's EXAMPLES: a command, and what it does.
const std::pair<const char*, const char*> kExamples[] = {
    {"tarvellon-flash list -l", "the attached units, their ports"},
    {"tarvellon-flash info firmware.frw", "check an image at the desk"},
    {"tarvellon-flash upgrade firmware.frw", "the one unit attached"},
    {"tarvellon-flash upgrade TARV0001 firmware.frw --json -v", ""},
    {"tarvellon-flash station --count 20 firmware.frw", ""},
    {"tarvellon-flash line --broker mqtt://line-pc --line L1 --once", ""},
};

QString programHelp() {
    QString help = QStringLiteral(
                       "Usage: %1 COMMAND [options] [arguments]\n\n"
                       "Upgrades the firmware of µTarvellon devices attached through "
                       "an FTDI bridge.\n\nCommands:\n")
                       .arg(CommandLine::ProgramName);
    constexpr int kSummaryColumn = 26;
    for (const Command& command : kCommands) {
        const QString usage = QStringLiteral("%1 %2").arg(command.name, command.arguments);
        help += HelpLine(QStringLiteral("  ") + usage.trimmed(), QString::fromUtf8(command.summary),
                         kSummaryColumn);
    }
    help += HelpLine(QStringLiteral("  help [COMMAND]"),
                     QStringLiteral("This help, or a command's own."), kSummaryColumn);
    help += QStringLiteral(
                "\nOptions:\n"
                "  -h, --help            This help; after a command, its own.\n"
                "  -V, --version         The program's version.\n\n") +
            ExitCodeHelp(AllExitCodes()) + QStringLiteral("\nExamples:\n");
    for (const auto& [example, comment] : kExamples) {
        const QString line = QStringLiteral("  $ ") + QString::fromUtf8(example);
        help +=
            *comment ? line.leftJustified(42) + QStringLiteral("# ") + comment + '\n' : line + '\n';
    }
    return help;
}

// Before a command is known, the help pointed at is the program's.
ExitCode programUsageError(const QString& error) {
    ProgramOutput::SayUsageError(CommandLine::ProgramName, error);
    return ExitCode::UsageError;
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
        return programUsageError(
            QStringLiteral("help takes one command: %1").arg(names.join(QStringLiteral(", "))));
    }
    return command->run(*command, {arguments[2], QStringLiteral("--help")});
}

}  // namespace

ExitCode RunProgram(const QStringList& arguments) {
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
    return programUsageError(name.isEmpty() ? QStringLiteral("no command given")
                                            : QStringLiteral("unknown command '%1'").arg(name));
}
