#pragma once

// One slot of the station as the operator sees it from across the room: the slot's name and the
// unit's serial, and a state word in large letters whose colour says the same as the word, never
// instead of it. The tile is calm grey while nothing needs a person; green when a unit is done
// and can come off, red when it failed, with what to do beside what was seen. The state word has
// the room first: the other texts are sized after it and take what it leaves, cut with "…" where
// they must be.

#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <optional>

#include "app/station/ElidedLabel.h"
#include "station/StationValues.h"

class SlotTile : public QFrame {
    Q_OBJECT
  public:
    explicit SlotTile(QWidget* parent = nullptr);

    // The state word's pixel size in a tile of `size`: the widest word fits across it, and the
    // name line above and two lines of what to do below it fit its height.
    static int WordPixels(QSize size);

    // `stopping`: the station starts no new unit, which the tiles of idle slots say.
    void showSlot(const SlotView& slot, bool stopping);

    QString stateWord() const { return m_state->text(); }
    QString note() const { return m_note->fullText(); }
    QString detail() const { return m_detail->fullText(); }
    bool progressShown() const { return !m_progress->isHidden(); }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    enum class Tone { Calm, Working, Done, Failed };
    void setTone(Tone tone);
    void arrange();

    ElidedLabel* m_name = nullptr;
    ElidedLabel* m_location = nullptr;
    ElidedLabel* m_serial = nullptr;
    QLabel* m_state = nullptr;
    QProgressBar* m_progress = nullptr;
    ElidedLabel* m_note = nullptr;    // what to do, or how far
    ElidedLabel* m_detail = nullptr;  // what was seen
    std::optional<Tone> m_tone;
};
