#include "cli/CommandLine.h"

#include <QCoreApplication>

#include "operations/FailureDetail.h"
#include "operations/FailureHint.h"
#include "support/LinuxOnly.h"
#include "support/OptionError.h"
#include "support/ProgramOutput.h"

namespace CommandLine {
namespace {

// The command being run, for the help a usage error points at; "" before one is known.
QString g_command;
bool g_verbose = false;
bool g_quiet = false;

QString usageLine(const Command& command) {
    const QString usage = QStringLiteral("Usage: %1 %2 [options]").arg(ProgramName, command.name);
    return *command.arguments ? usage + ' ' + command.arguments : usage;
}

}  // namespace

void Out(const QString& text, bool newline) {
    ProgramOutput::Write(ProgramOutput::Stream::Out, newline ? text + '\n' : text);
}

void Err(const QString& text) {
    ProgramOutput::SayError(ProgramName, text);
}

void Hint(const QString& text) {
    Err(QStringLiteral("hint: ") + text);
}

void Note(const QString& text) {
    if (!g_quiet) {
        Err(text);
    }
}

void Trace(const QString& text) {
    ProgramOutput::Write(ProgramOutput::Stream::Err, text + '\n');
}

QString VersionLine() {
    return ProgramName + ' ' + QCoreApplication::applicationVersion();
}

ExitCode UsageError(const QString& error) {
    ProgramOutput::SayUsageError(ProgramName, error, g_command);
    return ExitCode::UsageError;
}

QCommandLineOption VerboseOption() {
    return QCommandLineOption({QStringLiteral("v"), QStringLiteral("verbose")},
                              QStringLiteral("Every command and reply on stderr, time-stamped; "
                                             "with --json, as exchange events."));
}

QCommandLineOption QuietOption() {
    return QCommandLineOption({QStringLiteral("q"), QStringLiteral("quiet")},
                              QStringLiteral("Nothing on stderr but failures."));
}

bool Verbose() {
    return g_verbose;
}

bool Quiet() {
    return g_quiet;
}

std::optional<ExitCode> Parse(QCommandLineParser& parser, const Command& command,
                              const QStringList& arguments, const QList<Positional>& positionals) {
    g_command = QString::fromLatin1(command.name);
    parser.setApplicationDescription(QString::fromUtf8(command.summary));
    // Qt's own help option would also offer --help-all, for Qt's options this program has not.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("This help."));
    const QCommandLineOption version({QStringLiteral("V"), QStringLiteral("version")},
                                     QStringLiteral("The program's version."));
    parser.addOptions({help, version});
    qsizetype required = 0;
    for (const Positional& positional : positionals) {
        parser.addPositionalArgument(
            positional.name, positional.description,
            positional.optional ? '[' + positional.name + ']' : positional.name);
        required += positional.optional ? 0 : 1;
    }
    if (!parser.parse(arguments)) {
        return UsageError(OptionError(parser));
    }
    if (parser.isSet(help)) {
        // Qt's own first line names the program by its path; ours names the command.
        const QString qtHelp = parser.helpText();
        Out(usageLine(command) + qtHelp.mid(qtHelp.indexOf('\n')) + '\n' +
            ExitCodeHelp(command.exits));
        return ExitCode::Success;
    }
    if (parser.isSet(version)) {
        Out(VersionLine());
        return ExitCode::Success;
    }
    if (const QString refusal = LinuxOnly::Refusal(parser); !refusal.isEmpty()) {
        Err(refusal);
        return ExitCode::UsageError;
    }
    const QStringList given = parser.positionalArguments();
    if (given.size() < required || given.size() > positionals.size() || given.contains(QString())) {
        return UsageError(
            QStringLiteral("%1 takes %2")
                .arg(command.name, *command.arguments ? command.arguments : "no arguments"));
    }
    // The options found, as typed; a command without -v or -q has failed to parse on either.
    const QStringList found = parser.optionNames();
    g_verbose = found.contains(QStringLiteral("v")) || found.contains(QStringLiteral("verbose"));
    g_quiet = found.contains(QStringLiteral("q")) || found.contains(QStringLiteral("quiet"));
    if (g_verbose && g_quiet) {
        return UsageError(QStringLiteral("-v and -q cannot go together"));
    }
    return std::nullopt;
}

QString PositionalValue(const QCommandLineParser& parser, const QList<Positional>& positionals,
                        const QString& name) {
    // The arguments left out are the leading optional ones.
    const QStringList given = parser.positionalArguments();
    const qsizetype left = positionals.size() - given.size();
    for (qsizetype index = left; index < positionals.size(); ++index) {
        if (positionals[index].name == name) {
            return given[index - left];
        }
    }
    return {};
}

std::variant<Driver, ExitCode> UseDriver(const QCommandLineParser& parser, const QString& serial) {
    const std::optional<DriverRequest> request = ReadDriverOptions(parser);
    if (!request) {
        return ExitCode::UsageError;
    }
    if (const std::optional<Driver> driver = InstallDriver(*request, serial)) {
        return *driver;
    }
    Err(NoLibraryDetail);
    Hint(FailureHint({.step = QStringLiteral("library"), .cause = FailureCause::NoLibrary}));
    return ExitCode::NoLibrary;
}

}  // namespace CommandLine
