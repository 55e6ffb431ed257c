#include "operations/FirmwareImage.h"

#include <fcntl.h>

#include "support/RegularFile.h"

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

FirmwareImage::Problem FirmwareImage::open(const QString& path) {
    const std::variant<int, RegularFile::Failure> opened = RegularFile::Open(path, O_RDONLY);
    if (const auto* failure = std::get_if<RegularFile::Failure>(&opened)) {
        using Kind = RegularFile::Failure::Kind;
        const Problem problem = failure->kind == Kind::Missing      ? Problem::Missing
                                : failure->kind == Kind::NotRegular ? Problem::NotRegularFile
                                                                    : Problem::Unreadable;
        return refuse(problem, failure->detail);
    }
    return m_file.open(std::get<int>(opened), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)
               ? Problem::None
               : refuse(Problem::Unreadable, m_file.errorString());
}

bool FirmwareImage::load() {
    const qint64 expected = m_file.size();
    m_bytes = m_file.read(expected);
    if (m_bytes.size() != expected) {
        refuse(Problem::Unreadable,
               QStringLiteral("it held fewer bytes than its length when read"));
        return false;
    }
    return true;
}

FirmwareImage::Problem FirmwareImage::refuse(Problem problem, const QString& reason) {
    m_error = reason;
    return problem;
}

QString FirmwareImage::key() const {
    return QString::fromLatin1(m_bytes.first(DeviceCommands::KeySize));
}

const std::uint8_t* FirmwareImage::record(std::int32_t index) const {
    const qsizetype offset =
        DeviceCommands::KeySize + qsizetype{index} * DeviceCommands::RecordSize;
    return reinterpret_cast<const std::uint8_t*>(m_bytes.constData() + offset);
}
