#include "cli/HelpText.h"

#include <QStringList>

namespace {

constexpr qsizetype kColumns = 80;

}  // namespace

QString HelpLine(const QString& head, const QString& text, int textColumn) {
    QString help;
    QString line = head.leftJustified(textColumn);
    bool lineEmpty = true;
    for (const QString& word : text.split(' ', Qt::SkipEmptyParts)) {
        if (!lineEmpty && line.size() + 1 + word.size() > kColumns) {
            help += line + '\n';
            line = QString(textColumn, ' ');
            lineEmpty = true;
        }
        line += (lineEmpty ? QString() : QStringLiteral(" ")) + word;
        lineEmpty = false;
    }
    return help + line + '\n';
}
