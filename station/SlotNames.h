#pragma once

// The names an operator gives the ports of a fixture (--slots FILE), so that the screen and the
// record file say "Slot 3" where the label on the fixture does. One "LOCATION = NAME" a line, the
// location as the device list gives it (1-1.4, 0x1142); blank lines and lines starting with #
// are skipped. A name is refused where it could mislead on a screen (control characters, text
// turned around, nothing visible) or is over 64 characters; names that differ only in case or
// spacing are one name, given twice.

#include <QHash>
#include <QString>

namespace SlotNames {

struct Read {
    QHash<QString, QString> byLocation;
    QString error;            // "" when the file was read whole
    bool unreadable = false;  // the file could not be read at all, as against a line in it wrong
};

Read FromFile(const QString& path);

}  // namespace SlotNames
