#include "support/ProgramOutput.h"

#include <cerrno>
#include <cstdio>

#include "support/NativePath.h"

namespace ProgramOutput {
namespace {

QString g_writeFailure;
std::function<void(Stream, const QByteArray&)> g_sink;

void remember(Stream stream) {
    // A reader that stopped reading (`| head -1`) has what it wanted: as it may go before or
    // after the last line is written, failing for it would make a script's outcome a race.
    if (errno == EPIPE) {
        return;
    }
    if (g_writeFailure.isEmpty()) {
        g_writeFailure =
            QStringLiteral("cannot write to %1: %2")
                .arg(stream == Stream::Out ? QStringLiteral("stdout") : QStringLiteral("stderr"),
                     qt_error_string(errno));
    }
}

}  // namespace

void Write(Stream stream, const QString& text) {
    const QByteArray bytes = NativePath::Displayed(text).toUtf8();
    if (g_sink) {
        g_sink(stream, bytes);
        return;
    }
    std::FILE* file = stream == Stream::Out ? stdout : stderr;
    if (std::fwrite(bytes.constData(), 1, bytes.size(), file) != std::size_t(bytes.size()) ||
        std::fflush(file) != 0) {
        remember(stream);
    }
}

void SayError(const QString& program, const QString& error) {
    Write(Stream::Err, program + QStringLiteral(": ") + error + '\n');
}

void SayUsageError(const QString& program, const QString& error, const QString& command) {
    SayError(program, error);
    const QString help = command.isEmpty() ? program : program + ' ' + command;
    SayError(program, QStringLiteral("try '%1 --help'").arg(help));
}

QString WriteFailure() {
    return g_writeFailure;
}

void SetSink(std::function<void(Stream, const QByteArray&)> sink) {
    g_sink = std::move(sink);
}

}  // namespace ProgramOutput
