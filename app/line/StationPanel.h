#pragma once

// One station of the line as the engineer in charge reads it from across the room: its name and
// state in large letters, the image it runs, its figures, a strip of its slots, its latest
// failure with what to do, and the records it has not yet sent. Calm grey while it runs; red when
// it stopped its line; all grey, with since when, when it is offline.

#include <QFrame>
#include <QLabel>
#include <optional>
#include <utility>

#include "app/line/SlotStrip.h"
#include "line/LineModel.h"

class StationPanel : public QFrame {
    Q_OBJECT
  public:
    // Wide enough for the figures' row at the size the height gives.
    static constexpr double kWidthPerHeight = 1.45;

    explicit StationPanel(QWidget* parent = nullptr);

    void showStation(const StationEntry& station);

    QLabel* Name = nullptr;
    QLabel* State = nullptr;
    QLabel* Image = nullptr;
    QLabel* Passed = nullptr;
    QLabel* Failed = nullptr;
    QLabel* Yield = nullptr;
    QLabel* LastHour = nullptr;
    SlotStrip* Slots = nullptr;
    QLabel* Failure = nullptr;
    QLabel* Backlog = nullptr;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    enum class Tone { Running, Stopped, Offline };
    void setTone(Tone tone);
    void fitFonts();

    QList<QLabel*> m_captions;
    QList<std::pair<QLabel*, QString>> m_values;  // what each says, for its accessible name
    std::optional<Tone> m_tone;
};
