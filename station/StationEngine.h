#pragma once

// The production-line station: watches the attached bridges and flashes every unit that is
// plugged in, once per plug-in. Each upgrade runs in a process of its own (the command line's
// `upgrade --json`), so the core keeps its one port handle and a unit that hangs, or a process
// that dies, never holds up another slot. Each upgrade writes its own attempt lines to the record
// file; the station goes by those lines, closes the attempt of an upgrade that died, and stops the
// line when an attempt line cannot be written, since a unit that leaves the line unrecorded is a
// unit nobody can vouch for.
//
// A slot is a port: the place a unit hangs, the same after every unplug, so that an operator
// learns where "slot 3" is. The engine knows nothing of screens: a terminal view and a window
// both read the plain values of StationValues.h and follow its signals.

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QTimer>
#include <optional>

#include "station/AttemptClaims.h"
#include "station/AttemptLine.h"
#include "station/ImageCopy.h"
#include "station/RecordFile.h"
#include "station/SlotPorts.h"
#include "station/StationValues.h"

// Runs on the thread of the event loop it needs; its signals come from there.
class StationEngine : public QObject {
    Q_OBJECT
  public:
    explicit StationEngine(StationOptions options, QObject* parent = nullptr);

    // Keeps a private copy of the image and opens the record file, then watches the ports from
    // the next turn of the event loop, where the first slots and signals come. Why it cannot,
    // when it cannot; nothing is touched then.
    std::optional<StartFailure> start();
    // Counts on from an earlier run's totals and clock, after start(): one shift's totals across
    // the line stopped and started again.
    void continueFrom(const StationEngine& earlier);
    // Lines of the record file that are not whole attempt lines, as found by start().
    int skippedRecordLines() const { return m_recordFile.skippedLines(); }

    // Starts no new unit; finished() follows once the running upgrades are done.
    void stop();
    // Interrupts the running upgrades as well; each closes its device and records its attempt.
    void abort();
    bool stopping() const { return m_stopRequested || !m_stopReason.isEmpty(); }

    int slotCount() const { return m_ports.count(); }
    const SlotView& slot(int index) const { return m_ports.slot(index); }
    Totals totals() const;
    const ImageSummary& image() const { return m_image; }
    // Why the line stopped: an attempt line could not be written; "" while it runs.
    const QString& stopReason() const { return m_stopReason; }
    // The last `count` attempts of the record file, oldest first, as their closing lines.
    QList<QJsonObject> history(int count) const { return m_recordFile.lastClosing(count); }
    StationResult result() const;

  signals:
    void slotsChanged();  // slots were added: new ports seen
    void slotChanged(int index);
    void attemptClosed(const QJsonObject& closingLine);  // as written
    void lineStopped(const QString& reason);
    void finished(StationResult result);

  private:
    // A slot's upgrade, from its start to its closing line.
    struct Upgrade {
        QProcess* process = nullptr;
        // What the upgrade is told of its unit, and what its started line says of it.
        QString serial;
        AttemptLine::Place place;
        QDateTime startedAt;
        bool startSeen = false;       // its start event came: it handles an interrupt from here on
        QString attempt;              // as the upgrade's start event names it
        int recordsAcknowledged = 0;  // firmware records
        QJsonObject end;              // the upgrade's closing event
    };

    void poll();
    void startQueued();
    void startUpgrade(int index);
    QStringList upgradeArguments(const Upgrade& upgrade) const;
    void readEvents(int index);
    void upgradeEnded(int index, int exitCode, QProcess::ExitStatus status);
    void readClaims();
    QJsonObject closingLine(const Upgrade& upgrade, const QJsonValue& exitCode);
    QJsonObject unwrittenStartedLine(const Upgrade& upgrade) const;
    void settle(int index, const QJsonObject& closing);
    void interrupt(const Upgrade& upgrade);
    void stopLine(const QString& reason);
    void setState(int index, SlotState state);
    void finishIfDone();
    int running() const;

    StationOptions m_options;
    ImageSummary m_image;
    ImageCopy m_imageCopy;
    RecordFile m_recordFile;
    SlotPorts m_ports;
    std::vector<Upgrade> m_upgrades;  // by slot
    AttemptClaims m_claims;
    QString m_stopReason;
    bool m_stopRequested = false;
    bool m_aborted = false;
    bool m_finished = false;
    int m_passed = 0;
    int m_failed = 0;
    QList<qint64> m_doneAtMs;  // when units of the last hour were done, on m_since
    QElapsedTimer m_since;
    QTimer m_pollTimer;
};
