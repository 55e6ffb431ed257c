// Whatever the file holds, an image the reader accepts is read whole: its key and its records are
// the file's own bytes, from their offsets.

#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>

#include "operations/FirmwareImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QTemporaryDir folder;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QFile file(folder.filePath(QStringLiteral("image.frw")));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) std::abort();
    file.close();
    FirmwareImage image;
    const std::optional<std::int32_t> records = FirmwareImage::RecordCount(bytes.size());
    if (!records) return 0;
    const qsizetype lastOffset = 8 + 13 * qsizetype(*records - 1);
    if (image.open(file.fileName()) != FirmwareImage::Problem::None || !image.load() ||
        image.key() != QString::fromLatin1(bytes.first(8)) ||
        std::memcmp(image.record(0), bytes.constData() + 8, 13) != 0 ||
        std::memcmp(image.record(*records - 1), bytes.constData() + lastOffset, 13) != 0)
        std::abort();
    return 0;
}
