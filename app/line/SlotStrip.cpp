#include "app/line/SlotStrip.h"

#include <QJsonObject>
#include <QPainter>
#include <algorithm>

#include "app/line/GridShape.h"
#include "line/LineTexts.h"

namespace {

constexpr int kGap = 3;
// Wide enough for FLASHING in a word as tall as the cell allows.
constexpr double kCellWidthPerHeight = 1.6;

struct Colours {
    QColor background;
    QColor text;
};

Colours coloursOf(const QString& word, bool offline) {
    if (offline) return {QColor(0xc4, 0xc4, 0xc4), QColor(0x60, 0x60, 0x60)};
    if (word == QStringLiteral("PASS")) return {QColor(0x1b, 0x6e, 0x2e), Qt::white};
    if (word == QStringLiteral("FAIL")) return {QColor(0xb3, 0x26, 0x1e), Qt::white};
    if (word == QStringLiteral("FLASHING"))
        return {QColor(0xd6, 0xe2, 0xef), QColor(0x1a, 0x1a, 0x1a)};
    return {QColor(0xe4, 0xe4, 0xe4), QColor(0x1a, 0x1a, 0x1a)};
}

}  // namespace

SlotStrip::SlotStrip(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumHeight(24);
}

void SlotStrip::showSlots(const QJsonArray& cells, bool offline) {
    m_slots = cells;
    m_offline = offline;
    QStringList said;
    for (const QJsonValue& value : cells) {
        const QJsonObject slot = value.toObject();
        QString word = LineTexts::SlotWord(slot);
        if (word == QStringLiteral("FLASHING")) {
            word += QStringLiteral(" %1 %").arg(slot.value(QStringLiteral("percent")).toInt());
        }
        said << slot.value(QStringLiteral("name")).toString() + ' ' + word;
    }
    setAccessibleDescription(said.join(QStringLiteral(", ")));
    update();
}

void SlotStrip::paintEvent(QPaintEvent*) {
    const int count = int(m_slots.size());
    if (count == 0) return;
    const QList<QRect> cells = GridCells(size(), count, kGap, kCellWidthPerHeight);
    const QSizeF cellSize = cells.constFirst().size();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = this->font();
    font.setBold(true);
    font.setPixelSize(std::max(9, int(std::min(cellSize.height() * 0.32, cellSize.width() / 6.5))));
    painter.setFont(font);
    for (int index = 0; index < count; ++index) {
        const QJsonObject slot = m_slots[index].toObject();
        const QRectF cell = cells[index];
        const QString word = LineTexts::SlotWord(slot);
        const Colours colours = coloursOf(word, m_offline);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colours.background);
        painter.drawRoundedRect(cell, 3, 3);
        if (word == QStringLiteral("FLASHING") && !m_offline) {
            QRectF done = cell;
            done.setWidth(cell.width() * slot.value(QStringLiteral("percent")).toInt() / 100.0);
            painter.setBrush(QColor(0x3d, 0x6b, 0x9e).lighter(150));
            painter.drawRoundedRect(done, 3, 3);
        }
        painter.setPen(colours.text);
        const QRectF top(cell.left(), cell.top(), cell.width(), cell.height() / 2);
        const QRectF bottom(cell.left(), cell.center().y(), cell.width(), cell.height() / 2);
        painter.drawText(top, Qt::AlignCenter, slot.value(QStringLiteral("name")).toString());
        painter.drawText(bottom, Qt::AlignCenter, word);
    }
}
