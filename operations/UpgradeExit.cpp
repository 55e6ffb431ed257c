#include "operations/UpgradeExit.h"

#include <QStringList>

namespace {

struct Report {
    QString box;
    MessageIcon icon;
    QStringList lines;
};

// A failure logs the box's own text, then its closing words.
Report failure(const QString& text, MessageIcon icon, const QString& closingWords) {
    return {text, icon, {text, closingWords}};
}

Report reportFor(UpgradeExit exit, const QString& firmwarePath) {
    const QString cancelled = QStringLiteral("Upgrade cancelled.");
    const QString failed = QStringLiteral("Upgrade failed.");
    const QString tryAgain = QStringLiteral("Upgrade failed. Please try again.");
    switch (exit) {
        case UpgradeExit::NoFileSelected:
            return failure(QStringLiteral("Please select a firmware file first."),
                           MessageIcon::Information, cancelled);
        case UpgradeExit::FileMissing:
            return failure(QStringLiteral("Can't find file ") + firmwarePath, MessageIcon::Warning,
                           cancelled);
        case UpgradeExit::FileUnreadable:
            return failure(QStringLiteral("Can't read file ") + firmwarePath, MessageIcon::Warning,
                           cancelled);
        case UpgradeExit::FormatFailure:
            return failure(QStringLiteral("Firmware file format error."), MessageIcon::Warning,
                           failed);
        case UpgradeExit::NoDeviceSelected:
            return failure(QStringLiteral("Please select a device first."),
                           MessageIcon::Information, cancelled);
        case UpgradeExit::CommunicationFailure:
            return failure(QStringLiteral("Communication error."), MessageIcon::Warning, tryAgain);
        case UpgradeExit::ProgrammingFailure:
            return failure(QStringLiteral("Programming error."), MessageIcon::Warning, tryAgain);
        case UpgradeExit::Interrupted:
            return failure(QStringLiteral("Upgrade interrupted."), MessageIcon::Warning, cancelled);
        case UpgradeExit::Refused:
            return failure(QStringLiteral("Upgrade refused."), MessageIcon::Warning, cancelled);
        case UpgradeExit::Success:
            break;
    }
    return {QStringLiteral("Upgrade successfull."),
            MessageIcon::Information,
            {QStringLiteral("Upgrade successfull !")}};
}

}  // namespace

void ReportExit(OperationView& view, UpgradeExit exit, const QString& firmwarePath) {
    const Report report = reportFor(exit, firmwarePath);
    view.showMessage(report.box, report.icon);
    for (const QString& line : report.lines) {
        view.logLine(line);
    }
    view.logLine(QString());
}

bool EndsTransfer(UpgradeExit exit) {
    return exit == UpgradeExit::ProgrammingFailure || exit == UpgradeExit::Success;
}
