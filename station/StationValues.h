#pragma once

// The plain values of a station run, which the engine fills and both faces read: what it is
// asked to do, each slot as it stands, the totals, the image it flashes, and how it ended.

#include <QHash>
#include <QString>
#include <optional>

#include "link/DriverChoice.h"
#include "operations/UpgradeReport.h"

struct StationOptions {
    // The upgrader started for each unit: the command line, tarvellon-flash.
    QString program;
    // The image as the operator gave it, and the report of CheckImage on it, which holds the
    // checked bytes. Every upgrade is given a private copy of these very bytes.
    QString imagePath;
    UpgradeReport image;
    QString recordPath;
    // The station's name in its attempt lines; "" for the host's name.
    QString station;
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
    Starting,   // its upgrade runs, before the first firmware record
    Flashing,   // percent and secondsLeft say how far
    Pass,       // stays until the unit is unplugged
    Fail,       // detail and hint say why and what to do; stays until the unit is unplugged
    Unplugged,  // unplugged after its upgrade, for a few seconds; then Empty
};

// Starting and Flashing: the slot's upgrade runs, and the slot is the engine's until it ends.
inline bool UpgradeRuns(SlotState state) {
    return state == SlotState::Starting || state == SlotState::Flashing;
}

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
    // Starting or Flashing: the reply its upgrade has awaited for a second or more ("the reply to
    // \"id\""), "" while none is; and the seconds before the upgrade gives up on it.
    QString awaited;
    int waitSecondsLeft = 0;
    QString detail;  // Fail: what was seen, as the closing line says it (device text escaped)
    QString hint;    // Fail: what to do, from the closing line; "" where there is none
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
    QString path;  // as the attempt lines name the image: the path as given
    QString fileName;
    QString key;
    int records = 0;  // firmware records
    qint64 size = 0;
    QString sha256;      // 64 hex digits
    QString driver;      // "d2xx" or "serial"
    QString recordFile;  // absolute path
};

// Why a station could not start, and what to do about it ("" where the hints have nothing).
struct StartFailure {
    enum class Step {
        Image,    // the image failed its checks
        Library,  // the D2XX library is asked for and not installed
        Engine,   // the engine's own start: the image's private copy, the record file
    };
    Step step = Step::Engine;
    QString detail;
    QString hint;
};

// How a run ended, most serious first. The values are the exit codes of both station faces, so
// that a script reads the window's end as it reads the command line's.
enum class StationResult : int { LineStopped = 3, Aborted = 130, UnitsFailed = 6, AllPassed = 0 };
