#include "app/ChoiceList.h"

#include <QMouseEvent>

ChoiceList::ChoiceList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void ChoiceList::mousePressEvent(QMouseEvent* event) {
    m_rowAtPress = currentRow();
    QListWidget::mousePressEvent(event);
}

void ChoiceList::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    const bool onCurrent =
        currentItem() != nullptr && itemAt(event->position().toPoint()) == currentItem();
    if (currentRow() >= 0 && (onCurrent || currentRow() != m_rowAtPress)) reportChoice();
}

void ChoiceList::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() >= 0 && currentRow() != before) reportChoice();
}

// A control-click may have taken the highlight off the entry; the chosen entry keeps it.
void ChoiceList::reportChoice() {
    currentItem()->setSelected(true);
    emit entryChosen();
}
