#pragma once

// The line a front end adds to a failed operation, beside the hint (operations/FailureHint.h):
// the step, and what was seen there. The window keeps its own words ("Communication error.");
// whoever reads a script's log or a station's record needs to know whether the device was silent,
// lied or vanished, and why a file or a port would not open.

#include <QString>

#include "link/DriverChoice.h"
#include "link/OpenFailure.h"
#include "link/VendorLibrary.h"
#include "operations/FailureHint.h"
#include "operations/UpgradeReport.h"

inline const QString NoneAttachedDetail = QStringLiteral("no device is attached");
inline const QString NoLibraryDetail =
    QStringLiteral("the D2XX library (%1) is not installed").arg(VendorLibrary::FileName);

// Device text made safe for a terminal: control bytes and backslashes written as escapes.
QString EscapedDeviceText(const QString& text);
// The same in double quotes, as a line the device sent is shown.
QString QuotedDeviceText(const QString& text);

// Why the image failed the upgrade's file checks; "" when it passed.
QString FileFailureDetail(const UpgradeReport& report, const QString& imagePath);

// Why the device `serial` did not open: not attached, busy, forbidden or otherwise.
QString OpenFailureDetail(const OpenFailure& failure, const QString& serial);

// What a front end says of a finished upgrade beyond the window's lines.
struct FailureSaid {
    // The hint table's key. Its step is the failed step: "file", "open", the command ("id",
    // "runlevel", "reset", "firmkey", "monitor") or "record"; "" after success.
    FailureKey key;
    QString detail;  // the step and what was seen there; "" after success
};
FailureSaid DescribeFailure(const UpgradeReport& report, const QString& serial,
                            const QString& imagePath, Driver driver);
