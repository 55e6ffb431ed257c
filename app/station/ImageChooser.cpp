#include "app/station/ImageChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QSettings>
#include <QStandardPaths>

namespace ImageChooser {
namespace {

const QString kLastImage = QStringLiteral("image/last");

QSettings settings() {
    return QSettings(QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
                         .filePath(QStringLiteral("station.ini")),
                     QSettings::IniFormat);
}

}  // namespace

QString Last() {
    return settings().value(kLastImage).toString();
}

void Remember(const QString& path) {
    settings().setValue(kLastImage, QFileInfo(path).absoluteFilePath());
}

QString Ask(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Choose the firmware image to flash"),
                       QFileInfo(Last()).path(),
                       QStringLiteral("Firmware images (*.frw);;All files (*)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!Last().isEmpty()) dialog.selectFile(Last());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace ImageChooser
