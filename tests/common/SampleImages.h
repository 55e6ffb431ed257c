#pragma once

// The firmware images the build writes into SAMPLE_IMAGES_DIR (listed in sim/README.md), for
// tests that need their exact records.

#include <QByteArray>
#include <QList>
#include <QString>

namespace SampleImages {

// The full path of a sample image, such as "three-records.frw".
QString path(const QString& name);
// The 13-byte records after the image's 8-byte key; empty when the file cannot be read.
QList<QByteArray> records(const QString& name);

}  // namespace SampleImages
