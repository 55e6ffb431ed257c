#pragma once

// Where a command's output goes: lines for a person, or one JSON object a line for a program.
// The operations never see it; the command line's view forwards to it.

#include <QString>
#include <optional>

#include "cli/ExitCode.h"
#include "link/FTDI.h"
#include "operations/UpgradeReport.h"
#include "support/MessageIcon.h"

struct Progress {
    int done = 0;
    int total = 0;
    int percent = 0;
    double recordsPerSecond = 0;
    double secondsLeft = 0;
};

// One command, reply, record or acknowledgement, for -v.
struct Exchange {
    qint64 timeMs = 0;  // since the operation began
    bool sent = false;
    QString text;  // a command without its line feed, or a reply line; "" for records and bytes
    std::optional<int> byte;  // a byte reply that came
    int record = 0;           // counting from 1; 0 outside the record phase
    FTDI::ReadOutcome outcome = FTDI::ReadOutcome::Ok;  // replies only
};

struct UpgradeSummary {
    QString serial;  // "" when no unit could be taken
    QString imagePath;
    UpgradeReport report;
    qint64 durationMs = 0;
    ExitCode exit = ExitCode::Success;
    QString failedStep;  // "" after success
    QString detail;      // the line that names the step and what was seen; "" after success
    QString hint;        // what to do about it; "" after success
    std::optional<int> latencyFoundMs;
    std::optional<int> latencyUsedMs;
};

class Reporter {
  public:
    virtual ~Reporter() = default;

    // `attempt`: the record's identity of this attempt (--record), "" when none is kept.
    virtual void start(const QString& serial, const QString& imagePath, const QString& attempt) = 0;
    // The window's log lines and box texts, in the window's order.
    virtual void logLine(const QString& text) = 0;
    virtual void message(const QString& text, MessageIcon icon) = 0;
    // At most ten a second.
    virtual void progress(const Progress& progress) = 0;
    // A reply still awaited after `seconds` whole seconds; 0 once it came or the wait gave up.
    virtual void waiting(const QString& awaited, int seconds) = 0;
    // Only with -v.
    virtual void exchange(const Exchange& exchange) = 0;
    // A line of the command line's own: what the window does not say.
    virtual void note(const QString& text) = 0;
    virtual void finish(const UpgradeSummary& summary) = 0;
};
