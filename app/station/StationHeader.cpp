#include "app/station/StationHeader.h"

#include <QBoxLayout>
#include <QLocale>
#include <QTextDocument>

#include "app/station/ValueLabel.h"
#include "station/StationTexts.h"

namespace {

constexpr int kShownDigits = 16;
const QString kImage = QStringLiteral("Image");
const QString kKey = QStringLiteral("Firmware key");
const QString kSize = QStringLiteral("Image size");
const QString kSha256 = QStringLiteral("SHA-256");
const QString kDriver = QStringLiteral("Driver");
const QString kRecordFile = QStringLiteral("Record file");
const QString kLine = QStringLiteral("Line");

void setUp(QLabel* label, const QString& accessibleName, int pixels, bool bold = false) {
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setAccessibleName(accessibleName);
    QFont font = label->font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    label->setFont(font);
}

QLabel* field(QWidget* parent, const QString& accessibleName, int pixels, bool bold = false) {
    auto* label = new QLabel(parent);
    setUp(label, accessibleName, pixels, bold);
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
    ImageName = longField(this, kImage, 26, true);
    Key = field(this, kKey, 18);
    Size = field(this, kSize, 18);
    Sha256 = field(this, kSha256, 18);
    Driver = field(this, kDriver, 16);
    RecordFilePath = new ElidedLabel(this);
    RecordFilePath->setElideMode(Qt::ElideMiddle);
    setUp(RecordFilePath, kRecordFile, 16);
    // One line, whatever it shows.
    RecordFilePath->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    RecordFilePath->setMinimumHeight(RecordFilePath->fontMetrics().height());
    m_notice = longField(this, kLine, 20, true);
    m_notice->setObjectName(QStringLiteral("Notice"));
    Link = longField(this, QStringLiteral("Line link"), 20, true);
    Link->setStyleSheet(QStringLiteral("color: #1a1a1a; background: #f2c14e; padding: 4px;"));
    Link->hide();
    ShowValue(ImageName, kImage, QStringLiteral("No image chosen"));

    // One column beside the tiles, which take the window's whole height.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (QLabel* field :
         {ImageName, Key, Size, Sha256, Driver, static_cast<QLabel*>(RecordFilePath)})
        layout->addWidget(field);
    layout->addSpacing(6);
    layout->addWidget(m_notice);
    layout->addWidget(Link);
}

void StationHeader::showImage(const ImageSummary& image, int skippedRecordLines) {
    ShowValue(ImageName, kImage, image.fileName);
    ImageName->setToolTip(Qt::convertFromPlainText(image.path));
    ShowValue(Key, kKey, QStringLiteral("key %1").arg(image.key), image.key);
    ShowValue(Size, kSize,
              QStringLiteral("%1 records, %2")
                  .arg(image.records)
                  .arg(QLocale::system().formattedDataSize(image.size)));
    const QString digits = image.sha256.left(kShownDigits);
    ShowValue(Sha256, kSha256, QStringLiteral("SHA-256 %1").arg(digits), digits);
    Sha256->setToolTip(image.sha256);
    Sha256->setAccessibleDescription(image.sha256);
    ShowValue(Driver, kDriver, StationTexts::DriverUsed(image.driver), image.driver);
    QString recordFile = StationTexts::RecordsTo(image.recordFile);
    if (skippedRecordLines > 0) {
        recordFile +=
            QStringLiteral(" (%1 line(s) there are not whole records)").arg(skippedRecordLines);
    }
    RecordFilePath->setFullText(recordFile);
    RecordFilePath->setToolTip(recordFile);
    RecordFilePath->setAccessibleName(kRecordFile + QStringLiteral(": ") + image.recordFile);
}

void StationHeader::showNotice(const QString& text, bool alarm) {
    ShowValue(m_notice, kLine, text);
    m_notice->setStyleSheet(alarm
                                ? QStringLiteral("color: white; background: #b3261e; padding: 4px;")
                                : QStringLiteral("color: #1a1a1a;"));
}

void StationHeader::showLink(const QString& text) {
    Link->setText(text);
    Link->setVisible(!text.isEmpty());
}
