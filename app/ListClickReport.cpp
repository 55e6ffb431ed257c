// Qt reports a change of the current entry for the program's own changes too (clearing, filling,
// the first focus), so keyboard moves are told apart by watching the key presses themselves.

#include "app/ListClickReport.h"

#include <QEvent>
#include <QListWidget>

ListClickReport::ListClickReport(QListWidget* list) : QObject(list), m_list(list) {
    connect(list, &QListWidget::itemClicked, this, &ListClickReport::entryChosen);
    list->installEventFilter(this);
}

// The press is delivered here, exactly as the list would receive it, so that its effect on the
// current entry can be seen before the report.
bool ListClickReport::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_list || event->type() != QEvent::KeyPress) {
        return false;
    }
    const int before = m_list->currentRow();
    static_cast<QObject*>(m_list)->event(event);
    const int after = m_list->currentRow();
    if (after >= 0 && after != before) {
        emit entryChosen();
    }
    return true;
}
