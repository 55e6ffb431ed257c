#include "app/ProgramCommandLine.h"

#include "support/LinuxOnly.h"
#include "support/OptionError.h"
#include "support/ProgramOutput.h"

namespace ProgramCommandLine {

int Fail(const QString& program, const QString& error, int exit) {
    if (exit == kUsageError) {
        ProgramOutput::SayUsageError(program, error);
    } else {
        ProgramOutput::SayError(program, error);
    }
    return exit;
}

QStringList Arguments(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

std::optional<int> Parse(QCommandLineParser& parser, const QStringList& arguments,
                         const QString& program, const QString& synopsis, qsizetype positionals) {
    // Qt's own help option would also offer --help-all, for Qt's options these programs have not.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("This help."));
    const QCommandLineOption version({QStringLiteral("V"), QStringLiteral("version")},
                                     QStringLiteral("The program's version."));
    parser.addOptions({help, version});
    if (!parser.parse(arguments)) {
        return Fail(program, OptionError(parser));
    }
    if (parser.isSet(help)) {
        // Qt's own first line names the program by its path, or not at all before the
        // application object exists.
        const QString qtHelp = parser.helpText();
        ProgramOutput::Write(ProgramOutput::Stream::Out,
                             QStringLiteral("Usage: %1 %2").arg(program, synopsis) +
                                 qtHelp.mid(qtHelp.indexOf(u'\n')));
        return 0;
    }
    if (parser.isSet(version)) {
        ProgramOutput::Write(ProgramOutput::Stream::Out,
                             program + QStringLiteral(" " TARVELLON_VERSION "\n"));
        return 0;
    }
    if (const QString refusal = LinuxOnly::Refusal(parser); !refusal.isEmpty()) {
        ProgramOutput::SayError(program, refusal);
        return kUsageError;
    }
    if (const QStringList given = parser.positionalArguments(); given.size() > positionals) {
        return Fail(program, QStringLiteral("unexpected argument '%1'").arg(given.at(positionals)));
    }
    return std::nullopt;
}

}  // namespace ProgramCommandLine
