#pragma once

// The program's exit codes. Scripts act on them, so once released a code never changes meaning.

#include <QList>
#include <QString>

enum class ExitCode : int {
    Success = 0,
    CommunicationError = 1,
    ProgrammingError = 2,
    FileError = 3,
    NoSuchDevice = 4,
    NoLibrary = 5,
    UnitsFailed = 6,
    StationsOffline = 7,
    LineStopped = 8,
    BrokerUnreachable = 9,
    UsageError = 64,
    WriteError = 74,  // sysexits' EX_IOERR
    Interrupted = 130,
};

// How the JSON closing event names it: "upgraded", "communication_error", ...
QString OutcomeName(ExitCode code);
// Every code, in the order of their numbers.
QList<ExitCode> AllExitCodes();
// The list that every --help ends with: those of `codes`.
QString ExitCodeHelp(const QList<ExitCode>& codes);
