#pragma once

// What to do after a failure, in one sentence that names the likely cause and the next step. One
// table serves every face that says it: the command line prints it under the failure's detail, the
// station records it, and a station's screen shows it on a failed unit. The window keeps its own
// words.

#include <QString>

#include "link/OpenFailure.h"
#include "operations/UpgradeReport.h"

enum class FailureCause {
    None,
    Refused,  // a whole reply came, and not the one required
    // The image's last record was answered as one before the last: the device expected more, and
    // the image may be cut short. The format has no end the host can read, so only the device
    // finds this out.
    ExpectedMore,
    NoReply,  // the reply deadline passed
    // No reply, from a port that another user's program may hold unseen and be reading.
    NoReplyReaderUnseen,
    Vanished,  // the device went away: unplugged, or lost power
    Interrupted,
    NotAttached,   // the serial number asked for is not listed
    NotPort,       // the path given for a port is a file or a folder
    NoneAttached,  // no unit is listed at all
    CannotOpen,
    PortBusy,
    NoPermission,
    NoLibrary,
    ProcessDied,  // the station's upgrade process ended without its closing event
    RecordFileUnwritable,
    ImageNotExpected,  // its SHA-256 is not the one asked for
    FileMissing,
    FileNotRegular,
    FileUnreadable,
    FileNotWhole,  // too short, or ending in part of a record
    FileTooLarge,
};

struct FailureKey {
    // As the closing event's failed_step names it: "file", "library", "open", a command ("id",
    // "runlevel", "reset", "firmkey", "monitor"), "record", "record_file" or "process"; "" before
    // the device was touched. The step and the cause
    // together decide the outcome, so the outcome is no key of its own.
    QString step{};
    FailureCause cause = FailureCause::None;
    // "d2xx" or "serial": opening and listing fail for different reasons through each.
    QString driver{};
    QString imageKey{};
    QString deviceKey{};  // as the device reported it, without "firmkey "
};

// The step and cause of a finished upgrade. A failed open is CannotOpen unless the driver said
// why: busy, forbidden or not there.
FailureKey FailureKeyOf(const UpgradeReport& report);

// Whether the device answered the image's last record as it answers every record before the last.
bool LastRecordTakenForMore(const UpgradeReport& report);

// The cause of a failed open: not attached, busy, forbidden, or CannotOpen.
FailureCause OpenFailureCause(const OpenFailure& failure);

// "" after success, and for a key the table does not know.
QString FailureHint(const FailureKey& key);

// What to do, the part of a hint after its colon, without the full stop: what a station's screen
// shows on a failed unit, where the whole hint would not fit.
QString FailureAdvice(const QString& hint);
