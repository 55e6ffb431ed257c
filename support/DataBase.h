#pragma once

// The few strings the program remembers between runs (the last drive, folder and firmware file),
// held in a small table and mirrored whole in a text file of three lines per entry.

#include <QString>
#include <QtGlobal>
#include <array>

namespace DataBase {

struct DbRow {
    QString section;
    QString key;
    QString value;

    bool operator==(const DbRow&) const = default;
};

inline constexpr int DbRows = 1024;

// Rows 0 to DbCount - 1 are in use, in the order their pair was first stored.
extern std::array<DbRow, DbRows> DbTable;
extern qint32 DbCount;
// While on, every operation writes its trace lines to the log pane.
extern bool DbTrace;

// Reads the settings file into the table; a missing or unreadable file loads nothing.
void DbLoad();
// The value of the pair, "" when it is not stored.
QString DbGet(const QString& section, const QString& key);
// The row of the pair, -1 when it is not stored.
qint32 DbFind(const QString& section, const QString& key);
// Replaces the pair's value in place, or adds the pair last; a full table takes no new pair.
void DbSet(const QString& section, const QString& key, const QString& value);
// Replaces the settings file with the table; a failed write leaves the old file as it was.
void DbSync();

// The settings file; "" until a location is chosen, and then nothing is read or written. While it
// does not exist, the former file, if named, is read in its place.
void SetFileName(const QString& fileName, const QString& formerFileName = QString());
// Start-up: the program's folder, or the per-user configuration folder when that cannot be
// written or the program is installed; the settings an earlier run of a program that is not
// installed kept in its folder are then read until the first write.
void ChooseFileLocation();
// Back to the state at program start: empty table, trace off, no file chosen.
void Reset();

}  // namespace DataBase
