#include "app/station/SlotGrid.h"

#include <algorithm>

namespace {

constexpr int kGap = 8;

int rowsFor(int count, int columns) {
    return (count + columns - 1) / columns;
}

}  // namespace

SlotGrid::SlotGrid(QWidget* parent) : QWidget(parent) {
    m_idle = new QLabel(this);
    m_idle->setObjectName(QStringLiteral("Idle"));
    m_idle->setAlignment(Qt::AlignCenter);
    m_idle->setWordWrap(true);
    QFont font = m_idle->font();
    font.setPixelSize(32);
    m_idle->setFont(font);
}

void SlotGrid::setNamedCount(int count) {
    m_named = count;
    m_columns = 0;
    arrange();
}

void SlotGrid::setSlotCount(int count) {
    while (slotCount() > count) {
        delete m_tiles.back();
        m_tiles.pop_back();
    }
    while (slotCount() < count) {
        auto* tile = new SlotTile(this);
        m_tiles.push_back(tile);
        tile->show();
    }
    m_idle->setVisible(m_tiles.empty());
    arrange();
}

void SlotGrid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_columns = 0;
    arrange();
}

// As many columns as make the tiles largest for the slots expected.
void SlotGrid::chooseShape() {
    const int expected = std::max(m_named > 0 ? m_named : kSensibleCount, slotCount());
    double best = 0;
    for (int columns = 1; columns <= expected; ++columns) {
        const int rows = rowsFor(expected, columns);
        const double width = double(this->width() - (columns - 1) * kGap) / columns;
        const double height = double(this->height() - (rows - 1) * kGap) / rows;
        const double size = SlotTile::WordPixels(QSize(int(width), int(height)));
        if (size > best) {
            best = size;
            m_columns = columns;
            m_rows = rows;
        }
    }
}

void SlotGrid::arrange() {
    m_idle->setGeometry(rect());
    const int count = slotCount();
    if (count == 0) return;
    if (m_columns == 0) chooseShape();
    m_rows = std::max(m_rows, rowsFor(count, m_columns));
    const int width = (this->width() - (m_columns - 1) * kGap) / m_columns;
    const int height = (this->height() - (m_rows - 1) * kGap) / m_rows;
    for (int index = 0; index < count; ++index) {
        const int column = index % m_columns, row = index / m_columns;
        m_tiles[index]->setGeometry(column * (width + kGap), row * (height + kGap), width, height);
    }
}
