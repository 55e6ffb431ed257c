#include "operations/FailureHint.h"

#include "link/DeviceCommands.h"
#include "link/VendorLibrary.h"

namespace {

using Cause = FailureCause;

struct Hint {
    const char* step;  // nullptr: any step
    Cause cause;
    const char* driver;  // nullptr: either
    // %1: the image's key, %2: the key the device takes.
    const char* text;
};

// First match wins, so a step's own row stands before the rows for any step.
const Hint kHints[] = {
    {"file", Cause::FileMissing, nullptr,
     "The path is mistyped or the image is not there yet: check the path given for the image, or "
     "copy the image to it."},
    {"file", Cause::FileNotRegular, nullptr,
     "IMAGE must name the image file itself, not a folder or a device: give the path of the .frw "
     "file."},
    {"file", Cause::FileUnreadable, nullptr,
     "You may lack permission to read the file, or the disk may be failing: check the image "
     "file's permissions (ls -l), or copy the image afresh."},
    {"file", Cause::FileNotWhole, nullptr,
     "The file is not a whole firmware image (cut short in a download or a copy, or no image at "
     "all): fetch the release's image again and compare its SHA-256."},
    {"file", Cause::FileTooLarge, nullptr,
     "The file is far larger than any firmware image, so it is none: check that IMAGE names the "
     "release's .frw file."},
    {"library", Cause::NoLibrary, nullptr, VendorLibrary::MissingHint},
    {"file", Cause::ImageNotExpected, nullptr,
     "The image is not the one expected (another release, or damaged in a copy): fetch the "
     "expected image and check its SHA-256 before flashing."},
    {"record_file", Cause::RecordFileUnwritable, nullptr,
     "The record file cannot be written (a full disk, its permissions, or its folder gone): make "
     "room on the record file's disk or name another record file with --record, then flash the "
     "unit again so that it is recorded."},
    {"", Cause::Interrupted, nullptr,
     "The upgrade was stopped before the unit was touched: run the upgrade again."},
    {nullptr, Cause::Interrupted, nullptr,
     "The upgrade was stopped before it finished, so the unit may hold part of an image: flash the "
     "unit again."},
    {"open", Cause::NotAttached, nullptr,
     "The unit is not plugged in, or its serial number or port is mistyped: check the unit's "
     "cable, and its serial number against tarvellon-flash list."},
    {nullptr, Cause::NoneAttached, "d2xx",
     "No bridge answers through the vendor's library: check the cable, that the kernel's ftdi_sio "
     "driver does not hold the bridge (sudo rmmod ftdi_sio), and that you are in the plugdev "
     "group."},
    {nullptr, Cause::NoneAttached, "serial",
     "No FTDI bridge shows up through the kernel's driver: check the cable, and that the bridge "
     "appears as /dev/ttyUSB* (ls /dev/ttyUSB*) with the ftdi_sio driver loaded (lsmod)."},
    {"open", Cause::NotPort, nullptr,
     "The path given is no serial port: give --port the bridge's port (ls /dev/ttyUSB* "
     "/dev/serial/by-id/)."},
    {"open", Cause::PortBusy, nullptr,
     "Another program holds the port: close the other program holding the port (a terminal "
     "program, ModemManager, another tarvellon-flash), then try again."},
    {"open", Cause::NoPermission, nullptr,
     "You may not open serial ports: add yourself to the dialout group (sudo usermod -aG dialout "
     "$USER), then log in again."},
    {"open", Cause::CannotOpen, "d2xx",
     "Another program may hold the bridge, the kernel's ftdi_sio driver may have claimed it, or "
     "you may lack permission: close other programs, run sudo rmmod ftdi_sio, and check that you "
     "are in the plugdev group."},
    {"open", Cause::CannotOpen, nullptr,
     "The port went away or refused to open: check the cable and the port's path (ls "
     "/dev/ttyUSB*), then try again."},
    {"record", Cause::Refused, nullptr,
     "The image may be damaged (compare its SHA-256 with the release's), and the unit now waits in "
     "its boot loader with part of an image: flash the unit again."},
    {"record", Cause::ExpectedMore, nullptr,
     "The image may be cut short, for the unit expected more records after its last: compare the "
     "image's SHA-256 with the release's (tarvellon-flash info IMAGE, or --expect-sha256) and "
     "flash the unit with the whole image; it waits in its boot loader with part of an image."},
    {"record", Cause::NoReply, nullptr,
     "The unit stopped answering in the middle of the transfer (power or cable): check the unit's "
     "power and cable, then flash it again; it waits in its boot loader with part of an image."},
    {"record", Cause::Vanished, nullptr,
     "The unit was unplugged or lost power in the middle of the transfer and holds part of an "
     "image: plug the unit back in and flash it again."},
    {"id", Cause::Refused, nullptr,
     "The bridge may be wired to another device, or the unit does not answer as a µTarvellon: "
     "check the wiring, then power the unit off and on and try again."},
    {"runlevel", Cause::Refused, nullptr,
     "The unit did not restart into its boot loader: power the unit off and on, then flash it "
     "again."},
    {"firmkey", Cause::Refused, nullptr,
     "The image is for units with key %1, and this unit takes %2: pick the image made for units "
     "with key %2."},
    {"monitor", Cause::Refused, nullptr,
     "The unit's boot loader did not enter its record mode: power the unit off and on, then flash "
     "it again."},
    {nullptr, Cause::Refused, nullptr,
     "The unit answered out of turn: power the unit off and on, then flash it again."},
    {nullptr, Cause::NoReplyReaderUnseen, nullptr,
     "Another program, perhaps another user's, may be reading the port and taking the unit's "
     "replies: close any other program on the port (sudo fuser -v /dev/ttyUSB* names them), "
     "check the unit's power and cable, then flash the unit again."},
    {nullptr, Cause::NoReply, nullptr,
     "The unit may have lost power, or its cable may be loose: check the unit's power and cable, "
     "then flash it again; it may still be in its boot loader."},
    {nullptr, Cause::Vanished, nullptr,
     "The unit was unplugged or lost power: plug the unit back in and flash it again; it may be in "
     "its boot loader."},
    {"process", Cause::ProcessDied, nullptr,
     "The upgrade process ended without a report (killed, or out of memory): flash the unit "
     "again."},
};

bool matches(const char* field, const QString& value) {
    return field == nullptr || value == QLatin1String(field);
}

FailureCause fileCause(FirmwareImage::Problem problem) {
    using Problem = FirmwareImage::Problem;
    switch (problem) {
        case Problem::None:
            break;
        case Problem::Missing:
            return Cause::FileMissing;
        case Problem::NotRegularFile:
            return Cause::FileNotRegular;
        case Problem::Unreadable:
            return Cause::FileUnreadable;
        case Problem::TooShort:
        case Problem::PartialRecord:
            return Cause::FileNotWhole;
        case Problem::TooLarge:
            return Cause::FileTooLarge;
    }
    return Cause::None;
}

FailureCause readCause(FTDI::ReadOutcome outcome) {
    switch (outcome) {
        case FTDI::ReadOutcome::Ok:
        case FTDI::ReadOutcome::LineTooLong:
            return Cause::Refused;
        case FTDI::ReadOutcome::NoReply:
            return Cause::NoReply;
        case FTDI::ReadOutcome::DeviceError:
            return Cause::Vanished;
        case FTDI::ReadOutcome::Interrupted:
            return Cause::Interrupted;
    }
    return Cause::None;
}

// The key the device takes, after keys 1 to 5 count as key 0.
QString acceptedKey(const QString& deviceKey) {
    const QString prefix = DeviceCommands::ExpectedKeyReply(QString());
    return DeviceCommands::AcceptedKeyReply(prefix + deviceKey).mid(prefix.size());
}

}  // namespace

FailureKey FailureKeyOf(const UpgradeReport& report) {
    FailureKey key;
    key.imageKey = report.imageKey;
    const QString keyPrefix = DeviceCommands::ExpectedKeyReply(QString());
    key.deviceKey = report.deviceKeyReply.startsWith(keyPrefix)
                        ? report.deviceKeyReply.mid(keyPrefix.size())
                        : report.deviceKeyReply;
    switch (report.exit) {
        case UpgradeExit::Success:
        case UpgradeExit::NoFileSelected:
        case UpgradeExit::NoDeviceSelected:
        case UpgradeExit::Refused:  // by the front end, which knows why
            return key;
        case UpgradeExit::FileMissing:
        case UpgradeExit::FileUnreadable:
        case UpgradeExit::FormatFailure:
            key.step = QStringLiteral("file");
            key.cause = fileCause(report.fileProblem);
            return key;
        case UpgradeExit::CommunicationFailure:
        case UpgradeExit::ProgrammingFailure:
        case UpgradeExit::Interrupted:
            break;
    }
    key.step = report.failed.command;
    if (report.exit == UpgradeExit::Interrupted) {
        key.cause = Cause::Interrupted;
    } else if (report.openFailure) {
        key.cause = OpenFailureCause(*report.openFailure);
    } else if (LastRecordTakenForMore(report)) {
        key.cause = Cause::ExpectedMore;
    } else {
        key.cause = readCause(report.failed.outcome);
    }
    // A reader of the port that could not be seen takes the replies before the transfer does.
    if (key.cause == Cause::NoReply && report.openersUnchecked &&
        key.step != QStringLiteral("record")) {
        key.cause = Cause::NoReplyReaderUnseen;
    }
    return key;
}

bool LastRecordTakenForMore(const UpgradeReport& report) {
    const FailedStep& failed = report.failed;
    return failed.command == QStringLiteral("record") && failed.record == report.records &&
           failed.outcome == FTDI::ReadOutcome::Ok &&
           failed.reply == QString(QChar(DeviceCommands::RecordAccepted));
}

FailureCause OpenFailureCause(const OpenFailure& failure) {
    switch (failure.kind) {
        case OpenFailure::Kind::NotListed:
        case OpenFailure::Kind::Missing:
            return Cause::NotAttached;
        case OpenFailure::Kind::NotPort:
            return Cause::NotPort;
        case OpenFailure::Kind::Busy:
            return Cause::PortBusy;
        case OpenFailure::Kind::NoPermission:
            return Cause::NoPermission;
        case OpenFailure::Kind::Other:
        case OpenFailure::Kind::Unexplained:
            break;
    }
    return Cause::CannotOpen;
}

QString FailureHint(const FailureKey& key) {
    for (const Hint& hint : kHints) {
        if (hint.cause == key.cause && matches(hint.step, key.step) &&
            matches(hint.driver, key.driver)) {
            const QString text = QString::fromUtf8(hint.text);
            return text.contains(QLatin1String("%1"))
                       ? text.arg(key.imageKey, acceptedKey(key.deviceKey))
                       : text;
        }
    }
    return {};
}

QString FailureAdvice(const QString& hint) {
    const qsizetype colon = hint.indexOf(QStringLiteral(": "));
    const QString todo = colon < 0 ? hint : hint.mid(colon + 2);
    return todo.endsWith('.') ? todo.chopped(1) : todo;
}
