#pragma once

// The line the command line adds to a failed operation: the step, and what was seen there. The
// window's words stay as they are ("Communication error."); whoever reads a script's log needs
// to know whether the device was silent, lied or vanished.

#include <QString>

#include "operations/UpgradeReport.h"

// Device text made safe for a terminal: control bytes and backslashes written as escapes.
QString EscapedDeviceText(const QString& text);

bool IsAttached(const QString& serial);
QString OpenFailureDetail(const QString& serial);

// "file", "open", the command ("id", "runlevel", "reset", "firmkey", "monitor") or "record";
// "" after success.
QString FailedStepName(const UpgradeReport& report);
// "" when the window's own lines already say everything.
QString FailureDetail(const UpgradeReport& report, const QString& serial, const QString& imagePath);
