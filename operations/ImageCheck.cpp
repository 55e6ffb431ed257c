#include "operations/ImageCheck.h"

#include "link/DeviceCommands.h"
#include "operations/CountText.h"
#include "operations/FailureHint.h"
#include "operations/FirmwareImage.h"
#include "operations/UpgradeProcedure.h"

namespace {

class SilentView : public OperationView {
  public:
    void showMessage(const QString&, MessageIcon) override {}
    void logLine(const QString&) override {}
    void setStatus(const QString&) override {}
    void setProgressMaximum(int) override {}
    void setProgressValue(int) override {}
    void setUpgradeEnabled(bool) override {}
};

}  // namespace

ImageCheck CheckImage(const QString& path) {
    SilentView view;
    ImageCheck check;
    check.report = UpgradeProcedure::Run(view, path, QString());
    check.passed = check.report.exit == UpgradeExit::NoDeviceSelected;
    if (!check.passed) {
        check.detail = FileFailureDetail(check.report, path);
        check.hint = FailureHint(FailureKeyOf(check.report));
    }
    return check;
}

QString FileFailureDetail(const UpgradeReport& report, const QString& imagePath) {
    using Problem = FirmwareImage::Problem;
    const QString length = CountText(report.fileLength);
    switch (report.fileProblem) {
        case Problem::None:
            break;
        case Problem::Missing:
            return QStringLiteral("%1 does not exist").arg(imagePath);
        case Problem::NotRegularFile:
            return QStringLiteral("%1 is not an image: %2").arg(imagePath, report.fileError);
        case Problem::Unreadable:
            return QStringLiteral("%1 cannot be read: %2").arg(imagePath, report.fileError);
        case Problem::TooShort:
            return QStringLiteral(
                       "%1 is %2 bytes long, too short for an image: an 8-byte key and at least "
                       "one 13-byte record, %3 bytes")
                .arg(imagePath, length,
                     CountText(DeviceCommands::KeySize + DeviceCommands::RecordSize));
        case Problem::PartialRecord: {
            const qint64 body = report.fileLength - DeviceCommands::KeySize;
            return QStringLiteral(
                       "%1 is %2 bytes long: after its 8-byte key and %3 whole 13-byte records "
                       "come %4 more bytes, part of a record")
                .arg(imagePath, length, CountText(body / DeviceCommands::RecordSize),
                     CountText(body % DeviceCommands::RecordSize));
        }
        case Problem::TooLarge:
            return QStringLiteral("%1 is %2 bytes long, over the %3 bytes an image may have")
                .arg(imagePath, length, CountText(FirmwareImage::LargestImage));
    }
    return {};
}
