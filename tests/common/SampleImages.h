#pragma once

// The firmware images the build writes into SAMPLE_IMAGES_DIR (listed in sim/README.md), for
// tests that need their exact records.

#include <QByteArray>
#include <QList>
#include <QString>

namespace SampleImages {

// The 13-byte records after the 8-byte key of an image such as "three-records.frw"; empty when
// the file cannot be read.
QList<QByteArray> records(const QString& name);

}  // namespace SampleImages
