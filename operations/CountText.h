#pragma once

// Counts and times as every face writes them: 12,345 and 1.5 s whatever the machine's locale, as
// the README shows them.

#include <QLocale>
#include <QString>

inline QString CountText(qint64 count) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(count);
}

// To a tenth of a second.
inline QString SecondsText(qint64 ms) {
    return QStringLiteral("%1 s").arg(QLocale(QLocale::English).toString(ms / 1000.0, 'f', 1));
}
