#pragma once

// The station's tiles, one per slot and each in the same place for the whole run, so that an
// operator learns where a slot is and stops reading. The grid's shape is chosen for the slots
// named beforehand, or else for a station of kSensibleCount: ports first seen later, as units are
// plugged in, add rows below without moving a tile already shown. Only a change of the room, the
// window resized, chooses the shape afresh. Before the first port is seen it says what the line
// waits for.

#include <QLabel>
#include <QWidget>
#include <vector>

#include "app/station/SlotTile.h"

class SlotGrid : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kSensibleCount = 16;

    explicit SlotGrid(QWidget* parent = nullptr);

    // What it says while it has no tile.
    void setIdleText(const QString& text) { m_idle->setText(text); }
    // The slots named beforehand (--slots), all shown from the start.
    void setNamedCount(int count);
    // Within a run slots are only ever added; a new run starts from none, in the same shape.
    void setSlotCount(int count);
    int slotCount() const { return int(m_tiles.size()); }
    SlotTile* tile(int index) const { return m_tiles.at(index); }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void chooseShape();
    void arrange();

    std::vector<SlotTile*> m_tiles;
    QLabel* m_idle = nullptr;
    int m_named = 0;
    int m_columns = 0;  // 0: to be chosen
    int m_rows = 0;
};
