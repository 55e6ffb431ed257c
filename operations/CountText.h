#pragma once

// Counts as every face writes them: 12,345 whatever the machine's locale, as the README shows them.

#include <QLocale>
#include <QString>

inline QString CountText(qint64 count) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(count);
}
