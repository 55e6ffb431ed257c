#pragma once

// Where a command's output goes: lines for a person, or one JSON object a line for a program.
// The operations never see it; the command line's view forwards to it.

#include <QString>
#include <optional>

#include "cli/ExitCode.h"
#include "operations/UpgradeReport.h"
#include "support/MessageIcon.h"

struct Progress {
    int done = 0;
    int total = 0;
    int percent = 0;
    double recordsPerSecond = 0;
    double secondsLeft = 0;
};

struct UpgradeSummary {
    QString serial;
    QString imagePath;
    UpgradeReport report;
    qint64 durationMs = 0;
    ExitCode exit = ExitCode::Success;
    QString failedStep;  // "" after success
    QString detail;      // the line that names the step and what was seen; "" after success
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
    // A line of the command line's own: what the window does not say.
    virtual void note(const QString& text) = 0;
    virtual void finish(const UpgradeSummary& summary) = 0;
};
