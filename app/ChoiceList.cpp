#include "app/ChoiceList.h"

#include <QMouseEvent>
#include <utility>

ChoiceList::ChoiceList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void ChoiceList::mousePressEvent(QMouseEvent* event) {
    m_rowAtPress = currentRow();
    QListWidget::mousePressEvent(event);
}

void ChoiceList::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    // The second click of a double-click chooses again only when it landed on another entry.
    const bool onCurrent = !std::exchange(m_secondClick, false) && currentItem() != nullptr &&
                           itemAt(event->position().toPoint()) == currentItem();
    if (currentRow() >= 0 && (onCurrent || currentRow() != m_rowAtPress)) reportChoice();
}

void ChoiceList::mouseDoubleClickEvent(QMouseEvent* event) {
    m_rowAtPress = currentRow();
    m_secondClick = true;
    QListWidget::mouseDoubleClickEvent(event);
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
