#pragma once

// One slot of the station as the operator sees it from across the room: the slot's name and the
// unit's serial, and a state word in large letters whose colour says the same as the word, never
// instead of it. The tile is calm grey while nothing needs a person; green when a unit is done
// and can come off, red when it failed, with what to do beside what was seen.

#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <optional>

#include "station/StationValues.h"

class SlotTile : public QFrame {
    Q_OBJECT
  public:
    // The shape at which the state word, UNPLUGGED in bold, is as large as the tile's height
    // allows and still fits its width.
    static constexpr double kWidthPerHeight = 1.5;

    explicit SlotTile(QWidget* parent = nullptr);

    // `stopping`: the station starts no new unit, which the tiles of idle slots say.
    void showSlot(const SlotView& slot, bool stopping);

    QString stateWord() const { return m_state->text(); }
    QString note() const { return m_note->text(); }
    QString detail() const { return m_detail->text(); }
    bool progressShown() const { return !m_progress->isHidden(); }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    enum class Tone { Calm, Working, Done, Failed };
    void setTone(Tone tone);
    void fitFonts();

    QLabel* m_name = nullptr;
    QLabel* m_location = nullptr;
    QLabel* m_serial = nullptr;
    QLabel* m_state = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_note = nullptr;    // what to do, or how far
    QLabel* m_detail = nullptr;  // what was seen
    std::optional<Tone> m_tone;
};
