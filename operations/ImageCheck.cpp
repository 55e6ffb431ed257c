#include "operations/ImageCheck.h"

#include "operations/FailureDetail.h"
#include "operations/FailureHint.h"

UpgradeExit ReadImage(const QString& path, FirmwareImage& image, UpgradeReport& report) {
    using Problem = FirmwareImage::Problem;
    report.fileProblem = image.open(path);
    if (report.fileProblem != Problem::None) {
        report.fileError = image.errorString();
        return report.fileProblem == Problem::Missing ? UpgradeExit::FileMissing
                                                      : UpgradeExit::FileUnreadable;
    }
    report.fileLength = image.length();
    report.fileProblem = FirmwareImage::LengthProblem(report.fileLength);
    if (report.fileProblem != Problem::None) {
        return UpgradeExit::FormatFailure;
    }
    if (!image.load()) {
        report.fileProblem = Problem::Unreadable;
        report.fileError = image.errorString();
        return UpgradeExit::FileUnreadable;
    }
    report.image = image.bytes();
    report.imageKey = image.key();
    report.records = *FirmwareImage::RecordCount(report.fileLength);
    return UpgradeExit::Success;
}

ImageCheck CheckImage(const QString& path) {
    ImageCheck check;
    FirmwareImage image;
    check.report.exit = ReadImage(path, image, check.report);
    check.passed = check.report.exit == UpgradeExit::Success;
    if (!check.passed) {
        check.detail = FileFailureDetail(check.report, path);
        check.hint = FailureHint(FailureKeyOf(check.report));
    }
    return check;
}
