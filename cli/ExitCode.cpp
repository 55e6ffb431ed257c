#include "cli/ExitCode.h"

#include "cli/HelpText.h"
#include "link/VendorLibrary.h"

namespace {

struct ExitCodeEntry {
    ExitCode code;
    const char* outcome;
    const char* meaning;
};

const ExitCodeEntry kExitCodes[] = {
    {ExitCode::Success, "upgraded", "done: upgraded, identified, devices listed, image checked"},
    {ExitCode::CommunicationError, "communication_error",
     "communication error: the handshake failed, or the device did not open"},
    {ExitCode::ProgrammingError, "programming_error",
     "programming error: a record was refused or not acknowledged"},
    {ExitCode::FileError, "file_error",
     "file error: the image missing, not a regular file, unreadable or malformed, or not the one "
     "expected; or the record file cannot be written"},
    {ExitCode::NoSuchDevice, "no_such_device",
     "no such device: not attached (identify: or cannot be opened); list, or no SERIAL given: "
     "none attached"},
    {ExitCode::NoLibrary, "no_library",
     "the D2XX library (%1) is not installed, and --driver d2xx asks for it"},
    {ExitCode::UnitsFailed, "units_failed", "station: one or more units failed"},
    {ExitCode::StationsOffline, "stations_offline",
     "line --once: a station is offline, or none has reported"},
    {ExitCode::LineStopped, "line_stopped",
     "line --once: a station has stopped its line (a record could not be written)"},
    {ExitCode::BrokerUnreachable, "broker_unreachable",
     "line: the broker cannot be reached, or refused the login"},
    {ExitCode::UsageError, "usage_error", "usage error: bad command, option or argument"},
    {ExitCode::WriteError, "write_error",
     "output lost: a write to stdout or stderr failed (a full disk; a closed pipe is none)"},
    {ExitCode::Interrupted, "interrupted", "interrupted by Ctrl-C, SIGTERM or SIGHUP"},
};

}  // namespace

QString OutcomeName(ExitCode code) {
    for (const ExitCodeEntry& entry : kExitCodes) {
        if (entry.code == code) {
            return QString::fromLatin1(entry.outcome);
        }
    }
    return {};
}

QList<ExitCode> AllExitCodes() {
    QList<ExitCode> codes;
    for (const ExitCodeEntry& entry : kExitCodes) {
        codes << entry.code;
    }
    return codes;
}

QString ExitCodeHelp(const QList<ExitCode>& codes) {
    QString help = QStringLiteral("Exit codes:\n");
    for (const ExitCodeEntry& entry : kExitCodes) {
        if (codes.contains(entry.code)) {
            const QString meaning = QString::fromLatin1(entry.meaning);
            help += HelpLine(QStringLiteral("  %1").arg(static_cast<int>(entry.code)),
                             entry.code == ExitCode::NoLibrary
                                 ? meaning.arg(QLatin1String(VendorLibrary::FileName))
                                 : meaning,
                             7);
        }
    }
    return help;
}
