#include "operations/FirmwareImage.h"

FirmwareImage::Problem FirmwareImage::LengthProblem(qint64 length) {
    if (length > LargestImage) {
        return Problem::TooLarge;
    }
    if (length < DeviceCommands::KeySize + DeviceCommands::RecordSize) {
        return Problem::TooShort;
    }
    const qint64 body = length - DeviceCommands::KeySize;
    return body % DeviceCommands::RecordSize > LargestIgnoredTail ? Problem::PartialRecord
                                                                  : Problem::None;
}

std::optional<std::int32_t> FirmwareImage::RecordCount(qint64 length) {
    if (LengthProblem(length) != Problem::None) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>((length - DeviceCommands::KeySize) /
                                     DeviceCommands::RecordSize);
}

bool FirmwareImage::open(const QString& path) {
    m_file.setFileName(path);
    return m_file.open(QIODevice::ReadOnly);
}

QString FirmwareImage::errorString() const {
    return m_file.error() == QFileDevice::NoError ? QString() : m_file.errorString();
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
