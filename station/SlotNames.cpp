#include "station/SlotNames.h"

#include <fcntl.h>

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>

#include "support/RegularFile.h"

namespace SlotNames {
namespace {

// A name is a label on a fixture, passed to every upgrade as an argument: long enough for any
// label, far from what an argument list holds.
constexpr int kLongestName = 64;

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

// Embeddings, overrides and isolates: each turns the text around it, so that a name could read
// as another slot's name, or as PASS.
bool reorders(char32_t character) {
    return (character >= 0x202a && character <= 0x202e) ||
           (character >= 0x2066 && character <= 0x2069);
}

bool visible(char32_t character) {
    switch (QChar::category(character)) {
        case QChar::Letter_Uppercase:
        case QChar::Letter_Lowercase:
        case QChar::Letter_Titlecase:
        case QChar::Letter_Modifier:
        case QChar::Letter_Other:
        case QChar::Number_DecimalDigit:
        case QChar::Number_Letter:
        case QChar::Number_Other:
        case QChar::Punctuation_Connector:
        case QChar::Punctuation_Dash:
        case QChar::Punctuation_Open:
        case QChar::Punctuation_Close:
        case QChar::Punctuation_InitialQuote:
        case QChar::Punctuation_FinalQuote:
        case QChar::Punctuation_Other:
        case QChar::Symbol_Math:
        case QChar::Symbol_Currency:
        case QChar::Symbol_Modifier:
        case QChar::Symbol_Other:
            return true;
        default:
            return false;
    }
}

QString codePoint(char32_t character) {
    return QStringLiteral("U+") + QString::number(character, 16).toUpper().rightJustified(4, '0');
}

// Why `name` cannot name a slot; "" when it can.
QString refusal(const QString& name) {
    const QList<uint> characters = name.toUcs4();
    if (characters.size() > kLongestName) {
        return QStringLiteral("the name is %1 characters long; a name has %2 at most")
            .arg(characters.size())
            .arg(kLongestName);
    }
    for (const char32_t character : characters) {
        if (QChar::category(character) == QChar::Other_Control) {
            return QStringLiteral("the name holds the control character %1")
                .arg(codePoint(character));
        }
        if (reorders(character)) {
            return QStringLiteral("the name holds %1, which reorders the text shown around it")
                .arg(codePoint(character));
        }
        if (QChar::category(character) == QChar::Separator_Line ||
            QChar::category(character) == QChar::Separator_Paragraph) {
            return QStringLiteral("the name holds the line break %1").arg(codePoint(character));
        }
    }
    if (std::none_of(characters.begin(), characters.end(), visible)) {
        return QStringLiteral("the name shows nothing: it holds no letter, digit or sign");
    }
    return {};
}

// Names an operator cannot tell apart on a screen or a label are one name: case, width and
// spacing, visible or not, do not count.
QString sameNameKey(const QString& name) {
    QString key;
    for (const char32_t character :
         name.normalized(QString::NormalizationForm_KC).toCaseFolded().toUcs4()) {
        if (QChar::isSpace(character) || QChar::category(character) == QChar::Other_Format) {
            continue;
        }
        key += QString::fromUcs4(&character, 1);
    }
    return key;
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
    // The line each name was given on, by the name as it counts for sameness.
    QHash<QString, int> lineOfName;
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
        if (const QString refused = refusal(name); !refused.isEmpty())
            return wrong(number, refused);
        const QString key = sameNameKey(name);
        if (lineOfName.contains(key))
            return wrong(number, QStringLiteral("the name %1 is given twice (line %2 gives it; "
                                                "case and spacing do not count)")
                                     .arg(name)
                                     .arg(lineOfName.value(key)));
        read.byLocation.insert(where, name);
        lineOfName.insert(key, number);
    }
    return read;
}

}  // namespace SlotNames
