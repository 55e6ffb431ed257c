#pragma once

// What every program writes on stdout and stderr, written one way: each text flushed at once, so
// the two streams keep their order on a terminal; the first write that failed remembered, so a
// program can end with its own code rather than pass lost output as success; errors and usage
// errors worded alike by all three programs.

#include <QByteArray>
#include <QString>
#include <functional>

namespace ProgramOutput {

enum class Stream { Out, Err };

// Any byte a path kept as its own (support/NativePath.h) is shown as the replacement character.
void Write(Stream stream, const QString& text);
// "PROGRAM: ERROR" on stderr.
void SayError(const QString& program, const QString& error);
// The error, then where help is: "try 'PROGRAM --help'", or with `command` that command's help.
void SayUsageError(const QString& program, const QString& error, const QString& command = {});
// The system's words for the first write that failed ("cannot write to stdout: No space left on
// device"); "" while none did. A closed pipe is no failure.
QString WriteFailure();

// Where the bytes go instead of the streams, for tests; {} puts the streams back.
void SetSink(std::function<void(Stream, const QByteArray&)> sink);

}  // namespace ProgramOutput
