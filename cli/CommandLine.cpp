#include "cli/CommandLine.h"

#include <cstdio>

#include "support/NativePath.h"

namespace CommandLine {
namespace {

void write(std::FILE* stream, const QString& text) {
    const QByteArray bytes = NativePath::Displayed(text).toUtf8();
    std::fwrite(bytes.constData(), 1, bytes.size(), stream);
    std::fflush(stream);
}

QString usageLine(const Command& command) {
    return QStringLiteral("Usage: %1 %2 [options] %3")
        .arg(ProgramName, command.name, command.arguments);
}

}  // namespace

void Out(const QString& text, bool newline) {
    write(stdout, newline ? text + '\n' : text);
}

void Err(const QString& text) {
    write(stderr, ProgramName + QStringLiteral(": ") + text + '\n');
}

std::optional<ExitCode> Parse(QCommandLineParser& parser, const Command& command,
                              const QStringList& arguments,
                              const QList<std::pair<QString, QString>>& positionals) {
    parser.setApplicationDescription(QString::fromUtf8(command.summary));
    // Qt's own help option would also offer --help-all, for Qt's options this program has not.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("This help."));
    parser.addOption(help);
    for (const auto& [name, description] : positionals) {
        parser.addPositionalArgument(name, description);
    }
    const auto usageError = [&](const QString& error) {
        Err(error);
        Err(QStringLiteral("try '%1 %2 --help'").arg(ProgramName, command.name));
        return ExitCode::UsageError;
    };
    if (!parser.parse(arguments)) {
        return usageError(parser.errorText());
    }
    if (parser.isSet(help)) {
        // Qt's own first line names the program by its path; ours names the command.
        const QString qtHelp = parser.helpText();
        Out(usageLine(command) + qtHelp.mid(qtHelp.indexOf('\n')) + '\n' + ExitCodeHelp());
        return ExitCode::Success;
    }
    const QStringList given = parser.positionalArguments();
    if (given.size() != positionals.size() || given.contains(QString())) {
        return usageError(
            QStringLiteral("%1 takes %2")
                .arg(command.name, *command.arguments ? command.arguments : "no arguments"));
    }
    return std::nullopt;
}

std::variant<Driver, ExitCode> UseDriver(const QCommandLineParser& parser, const QString& serial) {
    const std::variant<Driver, ExitCode> driver = InstallDriver(parser, serial);
    if (const ExitCode* exit = std::get_if<ExitCode>(&driver);
        exit && *exit == ExitCode::NoLibrary) {
        Err(NoLibrary);
    }
    return driver;
}

}  // namespace CommandLine
