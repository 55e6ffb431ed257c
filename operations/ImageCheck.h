#pragma once

// The upgrade's own file checks, run without a device: with no device selected the upgrade stops
// right after them, before any device is touched. The command line's `info` and the station's two
// faces check an image this way, and say the same of one that fails.

#include <QString>

#include "operations/UpgradeReport.h"

struct ImageCheck {
    UpgradeReport report;  // the image's bytes, key and records when it passed
    bool passed = false;
    QString detail;  // why it failed; "" when it passed
    QString hint;    // what to do about it
};

ImageCheck CheckImage(const QString& path);

// The line that says why the image failed the upgrade's file checks; "" when it passed.
QString FileFailureDetail(const UpgradeReport& report, const QString& imagePath);
