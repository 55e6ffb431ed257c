#include "app/station/StationHeader.h"

#include <QBoxLayout>
#include <QLocale>
#include <QTextDocument>

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

// A long name, path or reason wraps, or is cut where it cannot; it never widens the window past
// the screen.
QLabel* longField(QWidget* parent, const QString& accessibleName, int pixels, bool bold = false) {
    QLabel* label = field(parent, accessibleName, pixels, bold);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setWordWrap(true);
    return label;
}

}  // namespace

StationHeader::StationHeader(QWidget* parent) : QWidget(parent) {
    ImageName = longField(this, QStringLiteral("Image"), 34, true);
    Key = field(this, QStringLiteral("Firmware key"), 20);
    Size = field(this, QStringLiteral("Image size"), 20);
    Sha256 = field(this, QStringLiteral("SHA-256"), 20);
    Driver = field(this, QStringLiteral("Driver"), 16);
    RecordFilePath = longField(this, QStringLiteral("Record file"), 16);
    m_notice = longField(this, QStringLiteral("Line"), 22, true);
    ImageName->setText(QStringLiteral("No image chosen"));

    auto* image = new QHBoxLayout;
    image->setSpacing(24);
    for (QLabel* label : {Key, Size, Sha256}) image->addWidget(label);
    image->addStretch(1);
    auto* line = new QHBoxLayout;
    line->setSpacing(24);
    line->addWidget(Driver);
    line->addWidget(RecordFilePath, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ImageName);
    layout->addLayout(image);
    layout->addLayout(line);
    layout->addWidget(m_notice);
}

void StationHeader::showImage(const ImageSummary& image, int skippedRecordLines) {
    ImageName->setText(image.fileName);
    ImageName->setToolTip(Qt::convertFromPlainText(image.path));
    Key->setText(QStringLiteral("key %1").arg(image.key));
    Size->setText(QStringLiteral("%1 records, %2")
                      .arg(image.records)
                      .arg(QLocale::system().formattedDataSize(image.size)));
    Sha256->setText(QStringLiteral("SHA-256 %1").arg(image.sha256.left(kShownDigits)));
    Sha256->setToolTip(image.sha256);
    Sha256->setAccessibleDescription(image.sha256);
    Driver->setText(QStringLiteral("driver %1").arg(image.driver));
    QString recordFile = QStringLiteral("records to %1").arg(image.recordFile);
    if (skippedRecordLines > 0) {
        recordFile +=
            QStringLiteral(" (%1 line(s) there are not whole records)").arg(skippedRecordLines);
    }
    RecordFilePath->setText(recordFile);
}

void StationHeader::showNotice(const QString& text, bool alarm) {
    m_notice->setText(text);
    m_notice->setStyleSheet(alarm
                                ? QStringLiteral("color: white; background: #b3261e; padding: 4px;")
                                : QStringLiteral("color: #1a1a1a;"));
}
