#include "support/OptionError.h"

#include <QRegularExpression>

namespace {

QString optionName(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

}  // namespace

QString OptionError(const QCommandLineParser& parser) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        QStringList names;
        for (const QString& name : unknown) {
            names << optionName(name);
        }
        return QStringLiteral("unknown option %1").arg(names.join(QStringLiteral(", ")));
    }
    static const QRegularExpression missing(QStringLiteral("^Missing value after '(.*)'\\.$"));
    static const QRegularExpression unexpected(
        QStringLiteral("^Unexpected value after '(.*)'\\.$"));
    const QString error = parser.errorText();
    if (const QRegularExpressionMatch match = missing.match(error); match.hasMatch()) {
        return QStringLiteral("%1 needs a value").arg(match.captured(1));
    }
    if (const QRegularExpressionMatch match = unexpected.match(error); match.hasMatch()) {
        return QStringLiteral("%1 takes no value").arg(match.captured(1));
    }
    return error;
}
