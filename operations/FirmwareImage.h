#pragma once

// A firmware image on disk: an 8-byte key, then 13-byte records. It is read front to back through
// one fixed record buffer, so an image of any size streams in the same small memory.

#include <QFile>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "link/DeviceCommands.h"

class FirmwareImage {
  public:
    using Record = std::array<std::uint8_t, DeviceCommands::RecordSize>;

    // The number of records an image of this length holds, or nothing when the device must not
    // see it: shorter than the key, no whole record, a last record held only in part, or longer
    // than a signed 32-bit length. Up to 6 bytes after the last whole record are ignored.
    static std::optional<std::int32_t> RecordCount(qint64 length);

    // Read-only and raw, no text translation. False when the file cannot be opened.
    bool open(const QString& path);
    qint64 length() const { return m_file.size(); }
    // The first 8 bytes, one character per byte; nothing when they cannot be read.
    std::optional<QString> readKey();
    // The next 13 bytes; false when the file no longer holds them.
    bool readRecord(Record& record);
    void close() { m_file.close(); }

  private:
    QFile m_file;
};
