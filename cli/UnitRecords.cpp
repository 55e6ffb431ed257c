#include "cli/UnitRecords.h"

#include <unistd.h>

#include <QJsonDocument>

namespace {

const QString SerialField = QStringLiteral("serial");

}  // namespace

bool UnitRecords::open(const QString& path) {
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Append)) {
        return false;
    }
    // A line that is not a record (a crash in the middle of an append) counts for nothing.
    m_file.seek(0);
    while (!m_file.atEnd()) {
        const QJsonObject record = QJsonDocument::fromJson(m_file.readLine()).object();
        if (record.contains(SerialField)) {
            ++m_earlier[record.value(SerialField).toString()];
        }
    }
    return true;
}

bool UnitRecords::append(QJsonObject& record) {
    int& earlier = m_earlier[record.value(SerialField).toString()];
    record.insert(QStringLiteral("earlier_records"), earlier);
    const QByteArray line = QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
    const bool written =
        m_file.write(line) == line.size() && m_file.flush() && ::fsync(m_file.handle()) == 0;
    ++earlier;
    return written;
}
