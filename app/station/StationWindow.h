#pragma once

// The station for a production line, in one window: a second face on the station engine, which
// watches the ports, runs the upgrades and keeps the record file. The window only arranges what
// the engine reports (a header on the image, a tile per slot, the totals, the last attempts) and
// passes the operator's Stop and Abort on to it.

#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "app/station/AttemptsTable.h"
#include "app/station/SlotGrid.h"
#include "app/station/StationCommandLine.h"
#include "app/station/StationHeader.h"
#include "app/station/TotalsPanel.h"
#include "station/StationEngine.h"

class StationWindow : public QWidget {
    Q_OBJECT
  public:
    inline static const QString Caption = QStringLiteral("µTarvellon Station");

    explicit StationWindow(StationWindowOptions options, QWidget* parent = nullptr);

    // Checks the image and starts watching the ports with it; a message box says why not.
    bool startWith(const QString& imagePath);
    // Asks for an image, the last one chosen offered first, and starts with it.
    void chooseImage();
    // The engine of the current run; none before the first.
    const StationEngine* engine() const { return m_engine.get(); }

    StationHeader* Header = nullptr;
    SlotGrid* Slots = nullptr;
    TotalsPanel* Figures = nullptr;
    AttemptsTable* Attempts = nullptr;
    QPushButton* ChooseImage = nullptr;
    QPushButton* Start = nullptr;
    QPushButton* Stop = nullptr;
    QPushButton* Abort = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildLayout();
    void connectEngine(StationEngine& engine);
    void showSlots();
    void showSlot(int index);
    void showTotals();
    void stopClicked();
    void abortClicked();
    void runEnded();
    void updateControls();
    bool running() const { return m_running; }

    StationWindowOptions m_options;
    QString m_imagePath;
    std::unique_ptr<StationEngine> m_engine;
    QTimer m_clock;
    bool m_running = false;
    bool m_closeWhenFinished = false;
};
