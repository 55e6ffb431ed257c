#include "operations/UpgradeProcedure.h"

#include <QFileInfo>
#include <optional>

#include "link/DeviceCommands.h"
#include "link/FTDI.h"
#include "link/PortHandle.h"
#include "link/SubCom.h"
#include "operations/FirmwareImage.h"
#include "operations/UpgradeExit.h"

namespace UpgradeProcedure {
namespace {

// Nothing when the reply did not arrive whole within the deadline.
std::optional<QString> ask(const QString& frame) {
    SubCom::SendCommand(frame);
    FTDI::LineReply reply = FTDI::ReadLineWithin(ReplyDeadlineMs);
    if (reply.outcome != FTDI::ReadOutcome::Ok) {
        return std::nullopt;
    }
    return std::move(reply.line);
}

std::optional<std::uint8_t> replyByte() {
    const FTDI::ByteReply reply = FTDI::ReadByteWithin(ReplyDeadlineMs);
    if (reply.outcome != FTDI::ReadOutcome::Ok) {
        return std::nullopt;
    }
    return reply.byte;
}

// Walks the device into its boot loader if it runs its application, checks that it takes this
// image's key and puts it into record mode.
bool handshake(const QString& imageKey) {
    using namespace DeviceCommands;
    if (ask(Identify()) != IdentityReply()) {
        return false;
    }
    const std::optional<QString> runLevel = ask(RunLevel());
    if (!runLevel) {
        return false;
    }
    // The reset's own reply says nothing; only the run level after it counts.
    if (*runLevel == AppRunLevel() && (!ask(ResetToBoot()) || ask(RunLevel()) != BootRunLevel())) {
        return false;
    }
    const std::optional<QString> keyReply = ask(FirmwareKey());
    if (!keyReply || AcceptedKeyReply(*keyReply) != ExpectedKeyReply(imageKey)) {
        return false;
    }
    SubCom::SendCommand(Monitor());
    return replyByte() == MonitorReady;
}

// Stop and wait: each record goes out in one write and is acknowledged before the next is read.
// The bar shows the index of the record just accepted, so it never reaches its maximum.
UpgradeExit transfer(OperationView& view, const FirmwareImage& image, std::int32_t recordCount) {
    using namespace DeviceCommands;
    view.setProgressMaximum(recordCount);
    for (std::int32_t index = 0; index < recordCount; ++index) {
        const bool last = index == recordCount - 1;
        FTDI::WriteBytes(image.record(index), RecordSize);
        if (replyByte() != (last ? ProgrammingComplete : RecordAccepted)) {
            return UpgradeExit::ProgrammingFailure;
        }
        if (!last) {
            view.setProgressValue(index);
        }
    }
    return UpgradeExit::Success;
}

// The file is checked whole before the device is touched: the device must never be sent bytes
// the file does not hold.
UpgradeExit upgrade(OperationView& view, const QString& firmwarePath, const QString& deviceSerial,
                    FirmwareImage& image) {
    if (firmwarePath.isEmpty()) {
        return UpgradeExit::NoFileSelected;
    }
    if (!QFileInfo::exists(firmwarePath)) {
        return UpgradeExit::FileMissing;
    }
    view.logLine(QStringLiteral("Openning file ") + firmwarePath);
    if (!image.open(firmwarePath)) {
        return UpgradeExit::FileUnreadable;
    }
    const std::optional<std::int32_t> recordCount = FirmwareImage::RecordCount(image.length());
    if (!recordCount) {
        return UpgradeExit::FormatFailure;
    }
    if (!image.load()) {
        return UpgradeExit::FileUnreadable;
    }
    if (deviceSerial.isEmpty()) {
        return UpgradeExit::NoDeviceSelected;
    }
    if (!SubCom::OpenPort(deviceSerial) || !handshake(image.key())) {
        return UpgradeExit::CommunicationFailure;
    }
    const QString upgrading = QStringLiteral("Upgrading firmware...");
    view.logLine(upgrading);
    view.setStatus(upgrading);
    return transfer(view, image, *recordCount);
}

}  // namespace

void Run(OperationView& view, QString firmwarePath, QString deviceSerial) {
    view.setUpgradeEnabled(false);
    FirmwareImage image;
    const UpgradeExit exit = upgrade(view, firmwarePath, deviceSerial, image);
    ReportExit(view, exit, firmwarePath);
    image.close();
    // Does nothing when this run opened no device.
    SubCom::ClosePort();
    if (EndsTransfer(exit)) {
        view.setProgressValue(0);
        view.setStatus(QStringLiteral("Ready."));
    }
    view.setUpgradeEnabled(true);
}

}  // namespace UpgradeProcedure
