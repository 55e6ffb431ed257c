#pragma once

// The production-line station: watches the attached bridges and flashes every unit that is
// plugged in, once per plug-in. Each upgrade runs in a process of its own (the command line's
// `upgrade --json`), so the core keeps its one port handle and a unit that hangs, or a process
// that dies, never holds up another slot. Each upgrade records its own attempt; the station goes
// by those records, closes the attempt of an upgrade that died, and stops the line when a record
// cannot be written, since a unit that leaves the line unrecorded is a unit nobody can vouch for.
//
// A slot is a port: the place a unit hangs, the same after every unplug, so that an operator
// learns where "slot 3" is. The engine knows nothing of screens: a terminal view and a window
// both read the plain values below and follow its signals.

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <optional>

#include "link/DriverChoice.h"
#include "operations/UpgradeReport.h"
#include "station/RecordFile.h"

struct StationOptions {
    // The upgrader started for each unit: the command line, tarvellon-flash.
    QString program;
    // The image as the operator gave it, and the report of CheckImage on it, which holds the
    // checked bytes. Every upgrade is given a private copy of these very bytes.
    QString imagePath;
    UpgradeReport image;
    QString recordPath;
    // Slot names by location (SlotNames::FromFile).
    QHash<QString, QString> slotNames;
    // The driver the front end installed (DriverChoice::Install) before start(); every upgrade
    // reaches its unit the same way.
    Driver driver = Driver::D2xx;
    bool newOnly = false;  // leave the units attached at the start alone
    int jobs = 0;          // at most this many upgrades at once; 0: no cap
    int count = 0;         // end after this many units; 0: until stopped
    QString latency;       // passed on as --latency-ms; "" leaves the upgrade's default
};

enum class SlotState {
    Empty,      // no unit in the port
    LeftAlone,  // attached before the start with newOnly: left alone until unplugged
    Queued,     // attached, waiting for its turn (jobs), or for good once the station stops
    Starting,   // its upgrade runs, before the first record
    Flashing,   // percent and secondsLeft say how far
    Pass,       // stays until the unit is unplugged
    Fail,       // detail and hint say why and what to do; stays until the unit is unplugged
    Unplugged,  // unplugged after its upgrade, for a few seconds; then Empty
};

struct SlotView {
    // From 1, and never changing: the named slots first, then the ports of each scan that found
    // new ones, each lot in the order of their locations. Slots are never removed.
    int number = 0;
    QString name;      // from the slot names, else the number
    QString location;  // 1-1.4 or 0x1142; "" when the driver does not say
    QString serial;    // the unit in it, as the device list gives it; "" when Empty
    SlotState state = SlotState::Empty;
    int percent = 0;      // Flashing
    int secondsLeft = 0;  // Flashing
    QString detail;       // Fail: what was seen, as the record says it (device text escaped)
    QString hint;         // Fail: what to do, from the record; "" where there is none
};

struct Totals {
    int passed = 0;
    int failed = 0;
    int running = 0;
    std::optional<int> yieldPercent;  // passed of those done, rounded down; none before the first
    int lastHour = 0;                 // units done within the last hour
    qint64 elapsedMs = 0;             // since start()
};

struct ImageSummary {
    QString name;  // as the records name it: the path as given
    QString fileName;
    QString key;
    int records = 0;
    qint64 size = 0;
    QString sha256;      // 64 hex digits
    QString driver;      // "d2xx" or "serial"
    QString recordFile;  // absolute path
};

// Why a station could not start, and what to do about it ("" where the hints have nothing).
struct StartFailure {
    QString detail;
    QString hint;
};

// How a run ended, most serious first: the command line's exit codes 3, 130, 6 and 0.
enum class StationResult { LineStopped, Aborted, UnitsFailed, AllPassed };

// Runs on the thread of the event loop it needs; its signals come from there.
class StationEngine : public QObject {
    Q_OBJECT
  public:
    explicit StationEngine(StationOptions options, QObject* parent = nullptr);

    // Keeps a private copy of the image and opens the record file, then watches the ports from
    // the next turn of the event loop, where the first slots and signals come. Why it cannot,
    // when it cannot; nothing is touched then.
    std::optional<StartFailure> start();
    // Lines of the record file that are not whole records, as found by start().
    int skippedRecordLines() const { return m_recordFile.skippedLines(); }

    // Starts no new unit; finished() follows once the running upgrades are done.
    void stop();
    // Interrupts the running upgrades as well; each closes its device and records its attempt.
    void abort();
    bool stopping() const { return m_stopRequested || !m_stopReason.isEmpty(); }

    int slotCount() const { return int(m_slots.size()); }
    const SlotView& slot(int index) const { return m_slots[index]->view; }
    Totals totals() const;
    const ImageSummary& image() const { return m_image; }
    // Why the line stopped: a record could not be written; "" while it runs.
    const QString& stopReason() const { return m_stopReason; }
    // The last `count` attempts of the record file, oldest first, as their closing lines.
    QList<QJsonObject> history(int count) const { return m_recordFile.lastClosing(count); }
    StationResult result() const;

  signals:
    void slotsChanged();  // slots were added: new ports seen
    void slotChanged(int index);
    void recorded(const QJsonObject& record);  // a closing line, as written
    void lineStopped(const QString& reason);
    void finished(StationResult result);

  private:
    struct Slot {
        SlotView view;
        QString key;  // the location, or what stands in for one
        QProcess* process = nullptr;
        QDateTime startedAt;
        QString attempt;  // as the upgrade's start event names it
        int recordsDone = 0;
        QJsonObject end;  // the upgrade's closing event
        QElapsedTimer unpluggedFor;
    };

    void poll();
    void follow(Slot& slot, const QString& serial, bool maybeHeld);
    void plugIn(Slot& slot, const QString& serial);
    void addSlots(QList<std::pair<QString, QString>> ports);
    void startQueued();
    void startUpgrade(int index);
    QStringList upgradeArguments(const Slot& slot) const;
    void readEvents(int index);
    void upgradeEnded(int index, int exitCode, QProcess::ExitStatus status);
    QJsonObject closingRecord(Slot& slot, const QJsonValue& exitCode);
    void settle(int index, const QJsonObject& closing);
    void stopLine(const QString& reason);
    void setState(int index, SlotState state);
    void finishIfDone();
    int running() const;

    StationOptions m_options;
    ImageSummary m_image;
    std::unique_ptr<QTemporaryDir> m_copyFolder;
    QString m_imageCopy;
    RecordFile m_recordFile;
    std::vector<std::unique_ptr<Slot>> m_slots;
    // The lines read back that no finished upgrade has claimed yet, by attempt.
    QHash<QString, QJsonObject> m_startedLines;
    QHash<QString, QJsonObject> m_closingLines;
    QString m_stopReason;
    bool m_firstPoll = true;
    bool m_stopRequested = false;
    bool m_aborted = false;
    bool m_finished = false;
    int m_passed = 0;
    int m_failed = 0;
    QList<qint64> m_doneAtMs;  // when units of the last hour were done, on m_since
    QElapsedTimer m_since;
    QTimer m_pollTimer;
};
