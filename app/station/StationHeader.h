#pragma once

// What the station flashes and where it records it, so that anyone at the line can confirm the
// right firmware is loaded: the image's file name, firmware key, firmware records, size and SHA-256
// (its first 16 hex digits, the whole on hover), the driver and the record file; and below them
// how the line stands, where a stopped line stays in view, and how the link to the line's broker
// stands while it is down.

#include <QLabel>
#include <QWidget>

#include "app/station/ElidedLabel.h"
#include "station/StationValues.h"

class StationHeader : public QWidget {
    Q_OBJECT
  public:
    explicit StationHeader(QWidget* parent = nullptr);

    void showImage(const ImageSummary& image, int skippedRecordLines);
    // `alarm`: the line needs a person (an attempt line that could not be written).
    void showNotice(const QString& text, bool alarm = false);
    // How the link to the line's broker stands; hidden while there is nothing to say.
    void showLink(const QString& text);

    QLabel* ImageName = nullptr;
    QLabel* Key = nullptr;
    QLabel* Size = nullptr;
    QLabel* Sha256 = nullptr;
    QLabel* Driver = nullptr;
    ElidedLabel* RecordFilePath = nullptr;
    QLabel* Link = nullptr;

  private:
    QLabel* m_notice = nullptr;
};
