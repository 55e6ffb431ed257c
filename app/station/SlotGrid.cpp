#include "app/station/SlotGrid.h"

#include <algorithm>

namespace {

constexpr int kGap = 8;

}  // namespace

SlotGrid::SlotGrid(QWidget* parent) : QWidget(parent) {
    m_empty = new QLabel(QStringLiteral("Waiting for units: no bridge is attached yet"), this);
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setWordWrap(true);
    QFont font = m_empty->font();
    font.setPixelSize(32);
    m_empty->setFont(font);
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
    m_empty->setVisible(m_tiles.empty());
    arrange();
}

void SlotGrid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange();
}

void SlotGrid::arrange() {
    m_empty->setGeometry(rect());
    const int count = slotCount();
    if (count == 0) return;
    double best = 0;
    int bestColumns = 1;
    for (int columns = 1; columns <= count; ++columns) {
        const int rows = (count + columns - 1) / columns;
        const double width = double(this->width() - (columns - 1) * kGap) / columns;
        const double height = double(this->height() - (rows - 1) * kGap) / rows;
        const double size = std::min(height, width / SlotTile::kWidthPerHeight);
        if (size > best) {
            best = size;
            bestColumns = columns;
        }
    }
    const int rows = (count + bestColumns - 1) / bestColumns;
    const int width = (this->width() - (bestColumns - 1) * kGap) / bestColumns;
    const int height = (this->height() - (rows - 1) * kGap) / rows;
    for (int index = 0; index < count; ++index) {
        const int column = index % bestColumns, row = index / bestColumns;
        m_tiles[index]->setGeometry(column * (width + kGap), row * (height + kGap), width, height);
    }
}
