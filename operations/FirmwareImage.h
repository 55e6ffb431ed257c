#pragma once

// A firmware image: an 8-byte key, then 13-byte records. The whole file is taken into memory once
// it has passed its checks, so the device receives exactly the bytes that were checked even when
// another program truncates or rewrites the file during the transfer.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <optional>

#include "link/DeviceCommands.h"

class FirmwareImage {
  public:
    // Far beyond any image of this device (a few hundred KiB), and still an upgrade of hours at
    // the fastest record rate: a larger file is not an image, and is never taken into memory.
    static constexpr qint64 LargestImage = qint64{64} * 1024 * 1024;
    // Up to this many bytes after the last whole record are ignored; more would round up to a
    // record the file holds only in part.
    static constexpr qint64 LargestIgnoredTail = DeviceCommands::RecordSize / 2;

    // Why a file is not an image the device may see.
    enum class Problem {
        None,
        Missing,
        NotRegularFile,
        Unreadable,
        TooShort,       // not even the key and one whole record
        PartialRecord,  // more than LargestIgnoredTail bytes after the last whole record
        TooLarge,       // over LargestImage
    };
    static Problem LengthProblem(qint64 length);

    // The number of records an image of this length holds, or nothing when it has a
    // LengthProblem.
    static std::optional<std::int32_t> RecordCount(qint64 length);

    // Read-only and raw, no text translation; `path` is kept byte for byte (support/NativePath.h).
    // Anything but a regular file is refused before it is opened, and the open never waits
    // (support/RegularFile.h). None once open; otherwise Missing, NotRegularFile or Unreadable,
    // and errorString() says why.
    Problem open(const QString& path);
    QString errorString() const { return m_error; }
    qint64 length() const { return m_file.size(); }
    // Takes the whole file into memory; false when it no longer holds length() bytes.
    bool load();
    // From the loaded bytes: the first 8, one character per byte, and the records after them.
    QString key() const;
    const std::uint8_t* record(std::int32_t index) const;
    const QByteArray& bytes() const { return m_bytes; }
    void close() { m_file.close(); }

  private:
    Problem refuse(Problem problem, const QString& reason);

    QFile m_file;
    QByteArray m_bytes;
    QString m_error;
};
