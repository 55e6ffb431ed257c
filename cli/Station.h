#pragma once

// The production-line station: watches the attached bridges and flashes every unit that is
// plugged in, once per plug-in. Each upgrade runs in a process of its own (this program's
// `upgrade --json`), so the core keeps its one port handle and a unit that hangs, or a process
// that dies, never holds up another slot.

#include <QDateTime>
#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QProcess>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <memory>

#include "cli/ExitCode.h"
#include "cli/StationDisplay.h"
#include "cli/UnitRecords.h"

struct StationOptions {
    QString imagePath;
    QString imageSha256;
    int records = 0;
    bool newOnly = false;
    int jobs = 0;   // 0: no cap
    int count = 0;  // 0: until interrupted
    // Passed on to every upgrade (the latency option).
    QStringList upgradeOptions;
};

class Station : public QObject {
    Q_OBJECT
  public:
    Station(StationOptions options, UnitRecords& records, StationDisplay& display);
    ~Station() override;

    // Runs until --count units are done or the operator interrupts: Success, UnitsFailed, or
    // Interrupted after a second interrupt.
    ExitCode run();

  private:
    enum class State { Waiting, Handshake, Flashing, Pass, Fail, Unplugged };
    struct Slot {
        State state = State::Waiting;
        QProcess* process = nullptr;
        QString detail;  // flashing: percentage and time left; FAIL: the step
        QDateTime startedAt;
        QJsonObject end;  // the upgrade's closing event
        QElapsedTimer unpluggedFor;
    };

    void poll();
    void startWaiting();
    void start(const QString& serial, Slot& slot);
    void readEvents(const QString& serial, Slot& slot);
    void finished(const QString& serial, Slot& slot, int exitCode, QProcess::ExitStatus status);
    void record(const QString& serial, Slot& slot, const QJsonValue& exitCode);
    void setState(const QString& serial, Slot& slot, State state, const QString& detail = {});
    void tick();
    bool done() const;
    int runningUpgrades() const;
    QString slotLine(const QString& serial, const Slot& slot) const;
    QStringList slotLines() const;
    QString summary() const;

    StationOptions m_options;
    UnitRecords& m_records;
    StationDisplay& m_display;
    QMap<QString, Slot> m_slots;
    // Attached before the start with --new-only: left alone until unplugged.
    QSet<QString> m_leftAlone;
    bool m_firstPoll = true;
    int m_passed = 0;
    int m_failed = 0;
    int m_interruptsSeen = 0;
    QElapsedTimer m_since;
    QTimer m_pollTimer;
    QTimer m_tickTimer;
};
