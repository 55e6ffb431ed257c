#pragma once

// The line's record of every unit: one JSON object per attempt, appended and forced to disk when
// the attempt ends and never rewritten, so a unit that has left the line stays accounted for even
// when the station dies the next moment.

#include <QFile>
#include <QHash>
#include <QJsonObject>
#include <QString>

class UnitRecords {
  public:
    // False when the file cannot be opened for appending; errorString() then says why.
    bool open(const QString& path);
    QString errorString() const { return m_file.errorString(); }

    // Adds how many attempts on this serial the file held before, appends the record and forces
    // it to disk. False when it could not be written whole.
    bool append(QJsonObject& record);

  private:
    QFile m_file;
    QHash<QString, int> m_earlier;
};
