#include "app/ProgramCommandLine.h"

#include <cstdio>

namespace ProgramCommandLine {
namespace {

void write(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, bytes.size(), stream);
    std::fflush(stream);
}

}  // namespace

int Fail(const QString& program, const QString& error, int exit) {
    const QString help = exit == kUsageError ? QStringLiteral("%1: try '%1 --help'\n") : QString();
    write(stderr, (QStringLiteral("%1: %2\n") + help).arg(program, error));
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
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("The program's version."));
    parser.addOptions({help, version});
    if (!parser.parse(arguments)) {
        return Fail(program, parser.errorText());
    }
    if (parser.isSet(help)) {
        // Qt's own first line names the program by its path, or not at all before the
        // application object exists.
        const QString qtHelp = parser.helpText();
        write(stdout, QStringLiteral("Usage: %1 %2").arg(program, synopsis) +
                          qtHelp.mid(qtHelp.indexOf(u'\n')));
        return 0;
    }
    if (parser.isSet(version)) {
        write(stdout, program + QStringLiteral(" " TARVELLON_VERSION "\n"));
        return 0;
    }
    if (const QStringList given = parser.positionalArguments(); given.size() > positionals) {
        return Fail(program, QStringLiteral("unexpected argument '%1'").arg(given.at(positionals)));
    }
    return std::nullopt;
}

}  // namespace ProgramCommandLine
