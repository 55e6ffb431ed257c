#include "operations/FirmwareImage.h"

std::optional<std::int32_t> FirmwareImage::RecordCount(qint64 length) {
    // Seven or more trailing bytes would round up to a record the file holds only in part.
    constexpr qint64 kLargestIgnoredTail = DeviceCommands::RecordSize / 2;
    if (length < DeviceCommands::KeySize || length > LargestImage) {
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

bool FirmwareImage::load() {
    const qint64 expected = m_file.size();
    m_bytes = m_file.read(expected);
    return m_bytes.size() == expected;
}

QString FirmwareImage::key() const {
    return QString::fromLatin1(m_bytes.first(DeviceCommands::KeySize));
}

const std::uint8_t* FirmwareImage::record(std::int32_t index) const {
    const qsizetype offset =
        DeviceCommands::KeySize + qsizetype{index} * DeviceCommands::RecordSize;
    return reinterpret_cast<const std::uint8_t*>(m_bytes.constData() + offset);
}
