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
#include "line/StationLink.h"
#include "station/StationEngine.h"

class StationWindow : public QWidget {
    Q_OBJECT
  public:
    inline static const QString Caption = QStringLiteral("µTarvellon Station");

    explicit StationWindow(StationWindowOptions options, QWidget* parent = nullptr);

    // Checks the image and starts watching the ports with it at once, as when it is given on the
    // command line; a message box says why not.
    bool startWith(const QString& imagePath);
    // Asks for an image, the last one chosen offered first, and shows it; Start starts with it.
    void chooseImage();
    // A signal to end (SIGTERM, SIGHUP, SIGINT): the first lets the running units finish and
    // starts no new one, the second interrupts them; then the program exits with the command-line
    // station's exit code.
    void endBySignal();
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
    void resizeEvent(QResizeEvent* event) override;

  private:
    void buildLayout();
    // Checks the image and shows it; a message box says why not.
    bool choose(const QString& imagePath);
    bool start();
    void refuse(const QString& text);
    int exitCode() const;
    // Says goodbye on the line, then exits with exitCode().
    void exitBySignal();
    void connectEngine(StationEngine& engine);
    std::optional<QString> publish(const StationEngine& engine);
    void sayGoodbye();
    void showSlots();
    void showSlot(int index);
    void showTotals();
    void stopClicked();
    // Asks first while units are being flashed.
    void abortClicked();
    void interruptUnits();
    void runEnded();
    void updateControls();
    bool running() const { return m_running; }

    QWidget* m_side = nullptr;
    StationWindowOptions m_options;
    QString m_imagePath;
    std::unique_ptr<StationEngine> m_engine;
    std::unique_ptr<StationLink> m_link;  // with --publish, for the engine of the current run
    QTimer m_clock;
    bool m_running = false;
    bool m_sayingGoodbye = false;
    bool m_closeWhenFinished = false;
    int m_endSignals = 0;
};
