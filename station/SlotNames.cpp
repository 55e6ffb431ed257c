#include "station/SlotNames.h"

#include <fcntl.h>

#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include "support/RegularFile.h"

namespace SlotNames {
namespace {

// As DeviceList writes a location: a USB path, or a location id in hexadecimal without leading
// zeros. "" when `text` is neither.
QString location(const QString& text) {
    static const QRegularExpression usbPath(QStringLiteral("^\\d+-\\d+(\\.\\d+)*$"));
    if (usbPath.match(text).hasMatch()) return text;
    bool ok = false;
    const uint id = text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)
                        ? text.mid(2).toUInt(&ok, 16)
                        : 0;
    return ok && id != 0 ? QStringLiteral("0x%1").arg(id, 0, 16) : QString();
}

}  // namespace

Read FromFile(const QString& path) {
    Read read;
    QFile file;
    const std::variant<int, RegularFile::Failure> opened = RegularFile::Open(path, O_RDONLY);
    const int* fd = std::get_if<int>(&opened);
    if (!fd || !file.open(*fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        read.error =
            QStringLiteral("cannot read the slots file %1: %2")
                .arg(path, fd ? file.errorString() : std::get<RegularFile::Failure>(opened).detail);
        read.unreadable = true;
        return read;
    }
    const auto wrong = [&](int number, const QString& problem) {
        read.error = QStringLiteral("the slots file %1, line %2: %3")
                         .arg(path, QString::number(number), problem);
        read.byLocation.clear();
        return read;
    };
    static const QRegularExpression control(QStringLiteral("[\\x00-\\x1f\\x7f]"));
    QSet<QString> names;
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    for (int number = 1; number <= lines.size(); ++number) {
        const QString line = lines[number - 1].trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        const qsizetype equals = line.indexOf('=');
        const QString given = line.left(equals).trimmed();
        const QString where = location(given);
        const QString name = line.mid(equals + 1).trimmed();
        if (equals < 0 || name.isEmpty())
            return wrong(number, QStringLiteral("not LOCATION = NAME"));
        if (where.isEmpty())
            return wrong(number,
                         QStringLiteral("%1 is not a location such as 1-1.4 or 0x1142").arg(given));
        if (read.byLocation.contains(where))
            return wrong(number, QStringLiteral("%1 is named twice").arg(where));
        if (names.contains(name))
            return wrong(number, QStringLiteral("the name %1 is given twice").arg(name));
        if (name.contains(control))
            return wrong(number, QStringLiteral("the name holds a control character"));
        read.byLocation.insert(where, name);
        names.insert(name);
    }
    return read;
}

}  // namespace SlotNames
