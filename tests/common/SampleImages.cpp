// Reads the sample images the build generated.

#include "tests/common/SampleImages.h"

#include <QFile>

namespace SampleImages {

QList<QByteArray> records(const QString& name) {
    QFile file(QStringLiteral(SAMPLE_IMAGES_DIR "/") + name);
    const QByteArray image = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    QList<QByteArray> records;
    for (qsizetype offset = 8; offset + 13 <= image.size(); offset += 13) {
        records.append(image.mid(offset, 13));
    }
    return records;
}

}  // namespace SampleImages
