// The settings table and its lookups; the file behind it is in DataBaseFile.cpp.

#include "support/DataBase.h"

#include "support/Logging.h"

namespace DataBase {

std::array<DbRow, DbRows> DbTable;
qint32 DbCount = 0;
bool DbTrace = false;

qint32 DbFind(const QString& section, const QString& key) {
    for (qint32 row = 0; row < DbCount; ++row) {
        if (DbTable[row].section == section && DbTable[row].key == key) return row;
    }
    return -1;
}

QString DbGet(const QString& section, const QString& key) {
    const qint32 row = DbFind(section, key);
    return row < 0 ? QString() : DbTable[row].value;
}

namespace {

// A carriage return ends a line when the file is read back, and the file has no escape for it:
// one inside a string would shift every later entry. A lone line feed reads back as it was.
bool fitsOnOneLine(const QString& text) {
    return !text.contains(u'\r');
}

}  // namespace

void DbSet(const QString& section, const QString& key, const QString& value) {
    if (!fitsOnOneLine(section) || !fitsOnOneLine(key) || !fitsOnOneLine(value)) return;
    const qint32 row = DbFind(section, key);
    if (row >= 0) {
        DbTable[row].value = value;
        // The row number keeps the blank that stands in the place of its sign.
        if (DbTrace) {
            Logging::LogLine(QStringLiteral("database entry  ") + QString::number(row) +
                             QStringLiteral(" writen with value ") + value);
        }
    } else if (DbCount < DbRows) {
        DbTable[DbCount] = {section, key, value};
        ++DbCount;
    }
    if (DbTrace) Logging::LogLine(QStringLiteral("database write"));
}

void Reset() {
    DbTable.fill(DbRow{});
    DbCount = 0;
    DbTrace = false;
    SetFileName(QString());
}

}  // namespace DataBase
