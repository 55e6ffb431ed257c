#include "station/Locations.h"

#include <QList>
#include <QRegularExpression>
#include <algorithm>
#include <optional>

namespace {

// The numbers of a location: the library's id whole, a USB path part by part.
std::optional<QList<qulonglong>> numbers(const QString& location) {
    bool ok = false;
    if (location.startsWith(QStringLiteral("0x"))) {
        const qulonglong id = location.mid(2).toULongLong(&ok, 16);
        return ok ? std::optional<QList<qulonglong>>({0, id}) : std::nullopt;
    }
    static const QRegularExpression separators(QStringLiteral("[-.]"));
    QList<qulonglong> parts;
    for (const QString& part : location.split(separators)) {
        parts.append(part.toULongLong(&ok));
        if (!ok) return std::nullopt;
    }
    return parts;
}

}  // namespace

bool LocationBefore(const QString& a, const QString& b) {
    const std::optional<QList<qulonglong>> first = numbers(a);
    const std::optional<QList<qulonglong>> second = numbers(b);
    if (first && second && *first != *second) {
        return std::lexicographical_compare(first->begin(), first->end(), second->begin(),
                                            second->end());
    }
    return a < b;
}
