// The detail under a failure is what a technician acts on when the box only says "Communication
// error.": a busy port worded as a missing one, a refused key as a silent device, or a device's
// control bytes written raw to the terminal sends them after the wrong fix. Each row is one
// failed upgrade as its report holds it; the line, the step and the cause are the ones the command
// line and the station's records carry.

#include <gtest/gtest.h>

#include "operations/FailureDetail.h"

namespace {

using FTDI::ReadOutcome;
using Kind = OpenFailure::Kind;

UpgradeReport openFailed(OpenFailure failure) {
    UpgradeReport report;
    report.exit = UpgradeExit::CommunicationFailure;
    report.failed = {QStringLiteral("open"), ReadOutcome::DeviceError, {}};
    report.openFailure = std::move(failure);
    return report;
}

// `command` fails with `outcome` after `reply`; "record" as record `record` of three; `unseen`:
// the port opened, though another user's program might hold it unseen.
UpgradeReport stepFailed(const QString& command, ReadOutcome outcome, const QString& reply,
                         int record = 2, bool unseen = false) {
    UpgradeReport report;
    const bool transfer = command == QStringLiteral("record");
    report.exit = outcome == ReadOutcome::Interrupted ? UpgradeExit::Interrupted
                  : transfer                          ? UpgradeExit::ProgrammingFailure
                                                      : UpgradeExit::CommunicationFailure;
    report.failed = {command, outcome, reply, transfer ? record : 0};
    report.records = 3;
    report.imageKey = QStringLiteral("µTARVEL7");
    report.openersUnchecked = unseen;
    if (command == QStringLiteral("firmkey")) report.deviceKeyReply = reply;
    return report;
}

const QString Usb0 = "/dev/ttyUSB0 (device TARV0001)";

// hint: a few words of the hint the key finds.
struct Row {
    const char* name;
    UpgradeReport report;
    QString detail;
    QString step;
    FailureCause cause;
    QString hint;
};
// clang-format off
const Row rows[] = {
    {"not listed", openFailed({Kind::NotListed, {}, {}}), "no device with serial number TARV0001 is attached", "open", FailureCause::NotAttached, "tarvellon-flash list"},
    {"port gone", openFailed({Kind::Missing, "/dev/ttyUSB9", {}}), "/dev/ttyUSB9 does not exist", "open", FailureCause::NotAttached, "not plugged in"},
    {"held by five programs: three named", openFailed({Kind::Busy, "/dev/ttyUSB0", {}, {{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}, {"e", 5}}}), Usb0 + " is in use by a (pid 1), b (pid 2), c (pid 3), and 2 more", "open", FailureCause::PortBusy, "Another program holds the port"},
    {"a file for a port", openFailed({Kind::NotPort, "/tmp/log", "a regular file"}), "/tmp/log is not a serial port: it is a regular file", "open", FailureCause::NotPort, "no serial port"},
    {"held, holder unseen", openFailed({Kind::Busy, "/dev/ttyUSB0", {}}), Usb0 + " is in use by another program", "open", FailureCause::PortBusy, "Another program"},
    {"forbidden", openFailed({Kind::NoPermission, "/dev/ttyUSB0", {}}), "no permission to open " + Usb0, "open", FailureCause::NoPermission, "dialout"},
    {"the system's words", openFailed({Kind::Other, "/dev/ttyUSB0", "Input/output error"}), Usb0 + " cannot be opened: Input/output error", "open", FailureCause::CannotOpen, "sudo rmmod ftdi_sio"},
    {"the library's silence", openFailed({Kind::Unexplained, {}, {}}), "device TARV0001 is attached but cannot be opened", "open", FailureCause::CannotOpen, "sudo rmmod ftdi_sio"},
    {"wrong identity", stepFailed("id", ReadOutcome::Ok, "id Tarvellon"), R"(the device answered "id Tarvellon" to "id")", "id", FailureCause::Refused, "wired to another device"},
    {"control bytes escaped", stepFailed("id", ReadOutcome::Ok, "id\x01\\\r"), R"(the device answered "id\x01\\\r" to "id")", "id", FailureCause::Refused, "wired to another device"},
    {"silent", stepFailed("firmkey", ReadOutcome::NoReply, ""), R"(no reply to "firmkey" within 10 s)", "firmkey", FailureCause::NoReply, "still be in its boot loader"},
    {"silent, on a port others may read unseen", stepFailed("id", ReadOutcome::NoReply, "", 0, true), R"(no reply to "id" within 10 s)", "id", FailureCause::NoReplyReaderUnseen, "may be reading the port"},
    {"silent mid-transfer, on a port others may read unseen: a reader would have taken the handshake", stepFailed("record", ReadOutcome::NoReply, "", 2, true), "no reply to record 2 of 3 within 10 s", "record", FailureCause::NoReply, "stopped answering in the middle"},
    {"part of a line", stepFailed("runlevel", ReadOutcome::NoReply, "run"), R"(the device sent 3 characters but no line feed in reply to "runlevel" within 10 s)", "runlevel", FailureCause::NoReply, "still be in its boot loader"},
    {"vanished", stepFailed("runlevel", ReadOutcome::DeviceError, ""), R"(the device vanished while answering "runlevel")", "runlevel", FailureCause::Vanished, "unplugged or lost power"},
    {"flood", stepFailed("id", ReadOutcome::LineTooLong, QString(4096, 'x')), R"(the device sent 4,096 characters without a line feed in reply to "id")", "id", FailureCause::Refused, "wired to another device"},
    {"interrupted", stepFailed("monitor", ReadOutcome::Interrupted, ""), R"(interrupted while waiting for the reply to "monitor")", "monitor", FailureCause::Interrupted, "flash the unit again"},
    {"key refused", stepFailed("firmkey", ReadOutcome::Ok, "firmkey µTARVEL3"), "the device reports key µTARVEL3, the image carries µTARVEL7 and is refused", "firmkey", FailureCause::Refused, "key µTARVEL7, and this unit takes µTARVEL0"},
    {"a line for a record", stepFailed("record", ReadOutcome::Ok, "error"), R"(record 2 of 3 was answered "error")", "record", FailureCause::Refused, "compare its SHA-256"},
    {"the last record taken for one of more", stepFailed("record", ReadOutcome::Ok, QString(QChar(0)), 3), "record 3 of 3, the image's last, was answered 0: the device expected more records", "record", FailureCause::ExpectedMore, "may be cut short"},
    {"the last record refused", stepFailed("record", ReadOutcome::Ok, "\x01", 3), "record 3 of 3 was answered 1", "record", FailureCause::Refused, "compare its SHA-256"},
    {"unplugged mid-transfer", stepFailed("record", ReadOutcome::DeviceError, ""), "the device vanished after record 2 of 3 was sent", "record", FailureCause::Vanished, "plug the unit back in"},
};
// clang-format on

TEST(FailureDetail, SaysTheStepAndWhatWasSeen) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const FailureSaid said =
            DescribeFailure(row.report, QStringLiteral("TARV0001"), QString(), Driver::D2xx);
        EXPECT_EQ(said.detail.toStdString(), row.detail.toStdString());
        EXPECT_EQ(said.key.step.toStdString(), row.step.toStdString());
        EXPECT_EQ(said.key.cause, row.cause);
        EXPECT_TRUE(FailureHint(said.key).contains(row.hint))
            << FailureHint(said.key).toStdString();
    }
}

}  // namespace

// Windows has no kernel's driver to turn to, and its library comes in the vendor's driver package.
// clang-format off
#ifdef Q_OS_WIN
constexpr const char* kLibraryAdvice = "install FTDI's D2XX driver package from FTDI's website, which puts FTD2XX.DLL where every program finds it";
#else
constexpr const char* kLibraryAdvice = "install the D2XX library from FTDI's website (README, Install), or reach the bridge through the kernel's driver with --driver serial";
#endif
// clang-format on

// A station's screen shows only the advice of a hint, the part after its colon: a word that points
// back into the part dropped ("check both") leaves the operator with nonsense. The keys a hint is
// found by that the rows above do not reach: a step of its own, a driver, any step.
TEST(FailureHint, EveryAdviceStandsAlone) {
    using C = FailureCause;
    const struct {
        FailureKey key;
        const char* advice;
    } rows[] = {
        // clang-format off
        {{"library", C::NoLibrary}, kLibraryAdvice},
        {{"record_file", C::RecordFileUnwritable}, "make room on the record file's disk or name another record file with --record, then flash the unit again so that it is recorded"},
        {{"", C::Interrupted}, "run the upgrade again"},
        {{"record", C::Interrupted}, "flash the unit again"},
        {{"", C::NoneAttached, "d2xx"}, "check the cable, that the kernel's ftdi_sio driver does not hold the bridge (sudo rmmod ftdi_sio), and that you are in the plugdev group"},
        {{"", C::NoneAttached, "serial"}, "check the cable, and that the bridge appears as /dev/ttyUSB* (ls /dev/ttyUSB*) with the ftdi_sio driver loaded (lsmod)"},
        {{"open", C::CannotOpen, "serial"}, "check the cable and the port's path (ls /dev/ttyUSB*), then try again"},
        {{"runlevel", C::Refused}, "power the unit off and on, then flash it again"},
        {{"firmkey", C::Refused, {}, "µTARVEL7", "µTARVEL6"}, "pick the image made for units with key µTARVEL6"},
        {{"process", C::ProcessDied}, "flash the unit again"},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.advice);
        EXPECT_EQ(FailureAdvice(FailureHint(row.key)).toStdString(), row.advice);
    }
}
