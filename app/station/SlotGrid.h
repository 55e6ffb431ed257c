#pragma once

// The station's tiles, one per slot and each in the same place for the whole run, laid out in as
// many columns as make the tiles largest in the room there is: 1 to 32 slots fill the area
// without scrolling. Before the first port is seen it says what it waits for.

#include <QLabel>
#include <QWidget>
#include <vector>

#include "app/station/SlotTile.h"

class SlotGrid : public QWidget {
    Q_OBJECT
  public:
    explicit SlotGrid(QWidget* parent = nullptr);

    // Within a run slots are only ever added; a new run starts from none.
    void setSlotCount(int count);
    int slotCount() const { return int(m_tiles.size()); }
    SlotTile* tile(int index) const { return m_tiles.at(index); }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void arrange();

    std::vector<SlotTile*> m_tiles;
    QLabel* m_empty = nullptr;
};
