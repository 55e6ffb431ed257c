#pragma once

// The line the command line adds to a failed operation: the step, and what was seen there. The
// window's words stay as they are ("Communication error."); whoever reads a script's log needs
// to know whether the device was silent, lied or vanished.

#include <QString>

#include "link/DriverChoice.h"
#include "operations/FailureHint.h"
#include "operations/UpgradeReport.h"

// Device text made safe for a terminal: control bytes and backslashes written as escapes.
QString EscapedDeviceText(const QString& text);
// The same in double quotes, as a line the device sent is shown.
QString QuotedDeviceText(const QString& text);

// Why the device did not open: not attached, busy, forbidden or otherwise, and the line that says
// so.
struct OpenFailureSeen {
    FailureCause cause = FailureCause::CannotOpen;
    QString detail;
};
OpenFailureSeen SeeOpenFailure(const QString& serial);

// What the command line says of a finished upgrade beyond the window's lines.
struct FailureSaid {
    // The hint table's key, with what only the command line knows of a failed open. Its step is
    // the failed step: "file", "open", the command ("id", "runlevel", "reset", "firmkey",
    // "monitor") or "record"; "" after success.
    FailureKey key;
    QString detail;  // the step and what was seen there; "" after success
};
FailureSaid DescribeFailure(const UpgradeReport& report, const QString& serial,
                            const QString& imagePath, Driver driver);
