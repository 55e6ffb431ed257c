#pragma once

// A station's slots in one strip of small cells, each the slot's name over its state word, and
// coloured as the station's own tiles are: grey while nothing needs a person, green PASS, red
// FAIL, blue FLASHING filled as far as it got. The word says what the colour says.

#include <QJsonArray>
#include <QWidget>

class SlotStrip : public QWidget {
    Q_OBJECT
  public:
    explicit SlotStrip(QWidget* parent = nullptr);

    // The status's slots.
    void showSlots(const QJsonArray& cells, bool offline);
    int cellCount() const { return int(m_slots.size()); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QJsonArray m_slots;
    bool m_offline = false;
};
