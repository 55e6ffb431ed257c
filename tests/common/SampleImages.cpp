// Reads the sample images the build generated.

#include "tests/common/SampleImages.h"

#include <QFile>

namespace SampleImages {

QString path(const QString& name) {
    return QStringLiteral(SAMPLE_IMAGES_DIR "/") + name;
}

QList<QByteArray> records(const QString& name) {
    QFile file(path(name));
    QList<QByteArray> records;
    if (!file.open(QIODevice::ReadOnly)) {
        return records;
    }
    const QByteArray image = file.readAll();
    for (qsizetype offset = 8; offset + 13 <= image.size(); offset += 13) {
        records.append(image.mid(offset, 13));
    }
    return records;
}

}  // namespace SampleImages
