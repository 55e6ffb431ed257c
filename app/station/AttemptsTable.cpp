#include "app/station/AttemptsTable.h"

#include <QDateTime>
#include <QHeaderView>
#include <QTextDocument>
#include <algorithm>

#include "station/AttemptLine.h"

namespace {

enum Column { Time, Slot, Serial, Outcome, Duration, Columns };

QStringList cells(const QJsonObject& closing) {
    const QDateTime ended =
        QDateTime::fromString(closing.value(QStringLiteral("ended_at")).toString(), Qt::ISODate)
            .toLocalTime();
    const QString word =
        AttemptLine::Passed(closing) ? QStringLiteral("PASS") : QStringLiteral("FAIL");
    const double seconds = closing.value(QStringLiteral("duration_ms")).toDouble() / 1000;
    // An earlier day's attempt says which day.
    const bool today = ended.date() == QDate::currentDate();
    return {ended.toString(today ? QStringLiteral("HH:mm:ss") : QStringLiteral("MM-dd HH:mm")),
            closing.value(QStringLiteral("slot")).toString(),
            closing.value(QStringLiteral("serial")).toString(), word,
            QStringLiteral("%1 s").arg(seconds, 0, 'f', 1)};
}

}  // namespace

AttemptsTable::AttemptsTable(QWidget* parent) : QTableWidget(0, Columns, parent) {
    setHorizontalHeaderLabels({QStringLiteral("Time"), QStringLiteral("Slot"),
                               QStringLiteral("Serial"), QStringLiteral("Outcome"),
                               QStringLiteral("Duration")});
    setAccessibleName(QStringLiteral("Last records"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    QFont font = this->font();
    font.setPixelSize(15);
    setFont(font);
    horizontalHeader()->setFont(font);
    // In the room the tiles leave: a long slot name or serial is cut, whole on hover.
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    for (const int column : {Slot, Serial})
        horizontalHeader()->setSectionResizeMode(column, QHeaderView::Stretch);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void AttemptsTable::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    showColumnsThatFit();
}

// Which unit and how it went always; the time, then the duration, where there is room for them.
void AttemptsTable::showColumnsThatFit() {
    int needed = 0;
    for (const int column : {Slot, Serial, Outcome, Time, Duration}) {
        needed += std::max(sizeHintForColumn(column), horizontalHeader()->sectionSizeHint(column));
        setColumnHidden(column,
                        (column == Time || column == Duration) && needed > viewport()->width());
    }
}

void AttemptsTable::showHistory(const QList<QJsonObject>& closingLines) {
    setRowCount(0);
    for (const QJsonObject& closing : closingLines) add(closing);
}

void AttemptsTable::add(const QJsonObject& closing) {
    insertRow(0);
    const QStringList texts = cells(closing);
    const bool failed = texts[Outcome] != QStringLiteral("PASS");
    for (int column = 0; column < Columns; ++column) {
        auto* item = new QTableWidgetItem(texts[column]);
        if (failed) item->setForeground(QColor(0xb3, 0x26, 0x1e));
        setItem(0, column, item);
    }
    item(0, Time)->setToolTip(closing.value(QStringLiteral("ended_at")).toString());
    for (const int column : {Slot, Serial}) item(0, column)->setToolTip(texts[column]);
    // Why, where the column has room for the word only.
    item(0, Outcome)
        ->setToolTip(Qt::convertFromPlainText(
            QStringLiteral("%1: %2").arg(closing.value(QStringLiteral("outcome")).toString(),
                                         closing.value(QStringLiteral("detail")).toString())));
    if (rowCount() > kShown) setRowCount(kShown);
    showColumnsThatFit();
}

QString AttemptsTable::rowText(int row) const {
    QStringList texts;
    for (int column = 0; column < Columns; ++column) texts << item(row, column)->text();
    return texts.join(QStringLiteral(" | "));
}
