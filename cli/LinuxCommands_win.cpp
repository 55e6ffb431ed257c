// The station and the line need the Linux build (its processes, record locks, libmosquitto).

#include "cli/CommandLine.h"
#include "support/ProgramOutput.h"

namespace {

ExitCode linuxOnly(const Command& command) {
    ProgramOutput::SayError(CommandLine::ProgramName,
                            QStringLiteral("%1 is for Linux only").arg(command.name));
    return ExitCode::UsageError;
}

}  // namespace

ExitCode Commands::Station(const Command& command, const QStringList&) {
    return linuxOnly(command);
}

ExitCode Commands::Line(const Command& command, const QStringList&) {
    return linuxOnly(command);
}
