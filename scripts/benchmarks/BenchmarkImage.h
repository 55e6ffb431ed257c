#pragma once

// The image the benchmarks flash: all-zero data records, then the end record (type 1, checksum
// 0xFF), so the simulated boot loader answers 0 to each and 254 to the last.

#include <QByteArray>
#include <QFile>
#include <QString>

inline bool WriteBenchmarkImage(const QString& path, int records) {
    QByteArray end(13, '\0');
    end[0] = 1;
    end[12] = char(0xFF);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(QByteArray("\xB5TARVEL0") + QByteArray(13 * (records - 1), '\0') + end) >= 0;
}
