#include "app/station/StationHeader.h"

#include <QGridLayout>
#include <QLocale>

namespace {

constexpr int kShownDigits = 16;

QLabel* field(QWidget* parent, const QString& accessibleName, int pixels, bool bold = false) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setAccessibleName(accessibleName);
    QFont font = label->font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

}  // namespace

StationHeader::StationHeader(QWidget* parent) : QWidget(parent) {
    ImageName = field(this, QStringLiteral("Image"), 34, true);
    Key = field(this, QStringLiteral("Firmware key"), 20);
    Size = field(this, QStringLiteral("Image size"), 20);
    Sha256 = field(this, QStringLiteral("SHA-256"), 20);
    Driver = field(this, QStringLiteral("Driver"), 16);
    RecordFile = field(this, QStringLiteral("Record file"), 16);
    m_notice = field(this, QStringLiteral("Line"), 22, true);
    ImageName->setText(QStringLiteral("No image chosen"));

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ImageName, 0, 0, 1, 3);
    layout->addWidget(Key, 1, 0);
    layout->addWidget(Size, 1, 1);
    layout->addWidget(Sha256, 1, 2);
    layout->addWidget(Driver, 2, 0);
    layout->addWidget(RecordFile, 2, 1, 1, 2);
    layout->addWidget(m_notice, 3, 0, 1, 3);
    layout->setColumnStretch(2, 1);
}

void StationHeader::showImage(const ImageSummary& image, int skippedRecordLines) {
    ImageName->setText(image.fileName);
    ImageName->setToolTip(image.name);
    Key->setText(QStringLiteral("key %1").arg(image.key));
    Size->setText(QStringLiteral("%1 records, %2")
                      .arg(image.records)
                      .arg(QLocale::system().formattedDataSize(image.size)));
    Sha256->setText(QStringLiteral("SHA-256 %1").arg(image.sha256.left(kShownDigits)));
    Sha256->setToolTip(image.sha256);
    Sha256->setAccessibleDescription(image.sha256);
    Driver->setText(QStringLiteral("driver %1").arg(image.driver));
    QString records = QStringLiteral("records to %1").arg(image.recordFile);
    if (skippedRecordLines > 0) {
        records +=
            QStringLiteral(" (%1 line(s) there are not whole records)").arg(skippedRecordLines);
    }
    RecordFile->setText(records);
}

void StationHeader::showNotice(const QString& text, bool alarm) {
    m_notice->setText(text);
    m_notice->setStyleSheet(alarm
                                ? QStringLiteral("color: white; background: #b3261e; padding: 4px;")
                                : QStringLiteral("color: #1a1a1a;"));
}
