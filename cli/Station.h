#pragma once

// The production-line station: watches the attached bridges and flashes every unit that is
// plugged in, once per plug-in. Each upgrade runs in a process of its own (this program's
// `upgrade --json`), so the core keeps its one port handle and a unit that hangs, or a process
// that dies, never holds up another slot. Each upgrade records its own attempt; the station goes
// by those records, closes the attempt of an upgrade that died, and stops the line when a record
// cannot be written, since a unit that leaves the line unrecorded is a unit nobody can vouch for.

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
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
#include "operations/UpgradeReport.h"

struct StationOptions {
    QString imagePath;
    // The image as checked: every upgrade is given a private copy of these very bytes.
    UpgradeReport image;
    QString imageCopy;
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

    // Runs until --count units are done or the operator interrupts: Success, UnitsFailed,
    // Interrupted after a second interrupt, or FileError once a record could not be written.
    ExitCode run();

  private:
    enum class State { Waiting, Handshake, Flashing, Pass, Fail, Unplugged };
    struct Slot {
        State state = State::Waiting;
        QProcess* process = nullptr;
        QString detail;  // flashing: percentage and time left; FAIL: the step
        QDateTime startedAt;
        QString attempt;  // as the upgrade's start event names it
        int recordsDone = 0;
        QJsonObject end;  // the upgrade's closing event
        QElapsedTimer unpluggedFor;
    };

    void poll();
    void startWaiting();
    void start(const QString& serial, Slot& slot);
    void readEvents(const QString& serial, Slot& slot);
    void finished(const QString& serial, Slot& slot, int exitCode, QProcess::ExitStatus status);
    // The attempt's closing line as the upgrade wrote it, or as written here for an upgrade that
    // died; empty when it could not be written.
    QJsonObject closingRecord(const QString& serial, const Slot& slot, const QJsonValue& exitCode);
    void settle(const QString& serial, Slot& slot, const QJsonObject& closing);
    void stopLine(const QString& reason);
    void setState(const QString& serial, Slot& slot, State state, const QString& detail = {});
    void tick();
    bool done() const;
    int runningUpgrades() const;
    QString slotLine(const QString& serial, const Slot& slot) const;
    QStringList slotLines() const;
    // The counts, and on a line of its own why the line stopped.
    QString summary() const;
    QString stopNotice() const;

    StationOptions m_options;
    UnitRecords& m_records;
    StationDisplay& m_display;
    QMap<QString, Slot> m_slots;
    // The lines read back that no finished upgrade has claimed yet, by attempt.
    QHash<QString, QJsonObject> m_startedLines;
    QHash<QString, QJsonObject> m_closingLines;
    QString m_stopped;  // why the line stopped; "" while it runs
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
