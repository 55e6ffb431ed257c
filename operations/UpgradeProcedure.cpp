#include "operations/UpgradeProcedure.h"

#include <optional>

#include "link/DeviceCommands.h"
#include "link/FTDI.h"
#include "link/Interrupt.h"
#include "link/PortHandle.h"
#include "link/SubCom.h"
#include "operations/FirmwareImage.h"
#include "operations/ImageCheck.h"
#include "operations/UpgradeExit.h"

namespace UpgradeProcedure {
namespace {

using FTDI::ReadOutcome;

FailedStep stepOf(const QString& frame, ReadOutcome outcome, const QString& reply) {
    return {frame.trimmed(), outcome, reply};
}

// A byte reply as the one character the report keeps; nothing when no byte came.
QString byteText(const FTDI::ByteReply& reply) {
    return reply.outcome == ReadOutcome::Ok ? QString(QChar(reply.byte)) : QString();
}

// Nothing when the reply did not arrive whole within the deadline; `failed` then says why.
std::optional<QString> ask(const QString& frame, FailedStep& failed) {
    SubCom::SendCommand(frame);
    FTDI::LineReply reply = FTDI::ReadLineWithin(ReplyDeadlineMs);
    if (reply.outcome != ReadOutcome::Ok) {
        failed = stepOf(frame, reply.outcome, reply.line);
        return std::nullopt;
    }
    return std::move(reply.line);
}

bool askFor(const QString& frame, const QString& expected, FailedStep& failed) {
    const std::optional<QString> reply = ask(frame, failed);
    if (reply && *reply != expected) {
        failed = stepOf(frame, ReadOutcome::Ok, *reply);
    }
    return reply == expected;
}

// Walks the device into its boot loader if it runs its application, checks that it takes this
// image's key and puts it into record mode.
bool handshake(UpgradeReport& report) {
    using namespace DeviceCommands;
    FailedStep& failed = report.failed;
    if (!askFor(Identify(), IdentityReply(), failed)) {
        return false;
    }
    const std::optional<QString> runLevel = ask(RunLevel(), failed);
    if (!runLevel) {
        return false;
    }
    // The reset's own reply says nothing; only the run level after it counts.
    if (*runLevel == AppRunLevel() &&
        (!ask(ResetToBoot(), failed) || !askFor(RunLevel(), BootRunLevel(), failed))) {
        return false;
    }
    const std::optional<QString> keyReply = ask(FirmwareKey(), failed);
    if (!keyReply) {
        return false;
    }
    report.deviceKeyReply = *keyReply;
    if (AcceptedKeyReply(*keyReply) != ExpectedKeyReply(report.imageKey)) {
        failed = stepOf(FirmwareKey(), ReadOutcome::Ok, *keyReply);
        return false;
    }
    SubCom::SendCommand(Monitor());
    const FTDI::ByteReply ready = FTDI::ReadByteWithin(ReplyDeadlineMs);
    if (ready.outcome != ReadOutcome::Ok || ready.byte != MonitorReady) {
        failed = stepOf(Monitor(), ready.outcome, byteText(ready));
        return false;
    }
    return true;
}

UpgradeExit exitAfter(const FailedStep& failed, UpgradeExit failure) {
    return failed.outcome == ReadOutcome::Interrupted ? UpgradeExit::Interrupted : failure;
}

// Stop and wait: each record goes out in one write and is acknowledged before the next is read.
// The bar shows the index of the record just accepted, so it never reaches its maximum.
UpgradeExit transfer(OperationView& view, const FirmwareImage& image, UpgradeReport& report) {
    using namespace DeviceCommands;
    view.setProgressMaximum(report.records);
    for (std::int32_t index = 0; index < report.records; ++index) {
        const bool last = index == report.records - 1;
        FTDI::WriteBytes(image.record(index), RecordSize);
        const FTDI::ByteReply ack = FTDI::ReadByteWithin(ReplyDeadlineMs);
        if (ack.outcome != ReadOutcome::Ok ||
            ack.byte != (last ? ProgrammingComplete : RecordAccepted)) {
            report.failed = {QStringLiteral("record"), ack.outcome, byteText(ack), index + 1};
            return exitAfter(report.failed, UpgradeExit::ProgrammingFailure);
        }
        report.recordsAcknowledged = index + 1;
        if (!last) {
            view.setProgressValue(index);
        }
    }
    return UpgradeExit::Success;
}

// The file is checked whole before the device is touched: the device must never be sent bytes
// the file does not hold.
UpgradeExit upgrade(OperationView& view, const QString& firmwarePath, const QString& deviceSerial,
                    FirmwareImage& image, UpgradeReport& report) {
    if (firmwarePath.isEmpty()) {
        return UpgradeExit::NoFileSelected;
    }
    const UpgradeExit read = ReadImage(firmwarePath, image, report);
    if (read != UpgradeExit::FileMissing) {
        view.logLine(QStringLiteral("Openning file ") + firmwarePath);
    }
    if (read != UpgradeExit::Success) {
        return read;
    }
    if (deviceSerial.isEmpty()) {
        return UpgradeExit::NoDeviceSelected;
    }
    // An interrupt during the file checks ends the run before the device is touched.
    if (Interrupt::Requested()) {
        return UpgradeExit::Interrupted;
    }
    if (!view.imageChecked(report)) {
        return UpgradeExit::Refused;
    }
    PortOpening opening = SubCom::OpenPort(deviceSerial);
    if (!opening.opened()) {
        report.failed = {QStringLiteral("open"), ReadOutcome::DeviceError, {}};
        report.openFailure = std::move(opening.failure);
        return UpgradeExit::CommunicationFailure;
    }
    report.openersUnchecked = opening.openersUnchecked;
    view.deviceOpened();
    if (!handshake(report)) {
        return exitAfter(report.failed, UpgradeExit::CommunicationFailure);
    }
    const QString upgrading = QStringLiteral("Upgrading firmware...");
    view.logLine(upgrading);
    view.setStatus(upgrading);
    return transfer(view, image, report);
}

}  // namespace

UpgradeReport Run(OperationView& view, QString firmwarePath, QString deviceSerial) {
    view.setUpgradeEnabled(false);
    FirmwareImage image;
    UpgradeReport report;
    report.exit = upgrade(view, firmwarePath, deviceSerial, image, report);
    ReportExit(view, report.exit, firmwarePath);
    image.close();
    if (PortHandle.isOpen()) {
        view.deviceClosing();
    }
    // Does nothing when this run opened no device.
    SubCom::ClosePort();
    if (EndsTransfer(report.exit)) {
        view.setProgressValue(0);
        view.setStatus(QStringLiteral("Ready."));
    }
    view.setUpgradeEnabled(true);
    return report;
}

}  // namespace UpgradeProcedure
