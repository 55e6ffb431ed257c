#include "operations/FirmwareImage.h"

#include <QFileInfo>

#include "support/RegularFile.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#endif

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
#ifdef Q_OS_UNIX
    const int fd = RegularFile::Open(path, O_RDONLY, m_error);
    return fd >= 0 && (m_file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle) ||
                       refuse(m_file.errorString()));
#else
    if (QFileInfo(path).exists() && !QFileInfo(path).isFile()) {
        return refuse(QStringLiteral("it is not a regular file"));
    }
    m_file.setFileName(path);
    return m_file.open(QIODevice::ReadOnly) || refuse(m_file.errorString());
#endif
}

bool FirmwareImage::load() {
    const qint64 expected = m_file.size();
    m_bytes = m_file.read(expected);
    return m_bytes.size() == expected ||
           refuse(QStringLiteral("it held fewer bytes than its length when read"));
}

bool FirmwareImage::refuse(const QString& reason) {
    m_error = reason;
    return false;
}

QString FirmwareImage::key() const {
    return QString::fromLatin1(m_bytes.first(DeviceCommands::KeySize));
}

const std::uint8_t* FirmwareImage::record(std::int32_t index) const {
    const qsizetype offset =
        DeviceCommands::KeySize + qsizetype{index} * DeviceCommands::RecordSize;
    return reinterpret_cast<const std::uint8_t*>(m_bytes.constData() + offset);
}
