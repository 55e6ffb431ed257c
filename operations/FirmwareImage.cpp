#include "operations/FirmwareImage.h"

#include <limits>

std::optional<std::int32_t> FirmwareImage::RecordCount(qint64 length) {
    // Seven or more trailing bytes would round up to a record the file holds only in part.
    constexpr qint64 kLargestIgnoredTail = DeviceCommands::RecordSize / 2;
    if (length < DeviceCommands::KeySize || length > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    const qint64 body = length - DeviceCommands::KeySize;
    const qint64 records = body / DeviceCommands::RecordSize;
    if (records == 0 || body % DeviceCommands::RecordSize > kLargestIgnoredTail) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(records);
}

bool FirmwareImage::open(const QString& path) {
    m_file.setFileName(path);
    return m_file.open(QIODevice::ReadOnly);
}

std::optional<QString> FirmwareImage::readKey() {
    char key[DeviceCommands::KeySize];
    if (m_file.read(key, sizeof key) != sizeof key) {
        return std::nullopt;
    }
    return QString::fromLatin1(key, sizeof key);
}

bool FirmwareImage::readRecord(Record& record) {
    const auto size = static_cast<qint64>(record.size());
    return m_file.read(reinterpret_cast<char*>(record.data()), size) == size;
}
