#pragma once

// The upgrade's file checks: the image is read whole and checked before any device is touched.
// The upgrade runs them first; the command line's `info` and the station's two faces run them
// alone, and say the same of an image that fails.

#include <QString>

#include "operations/FirmwareImage.h"
#include "operations/UpgradeReport.h"

// Opens, measures and loads the image at `path` into `image`, and notes in `report` what the
// upgrade reports of it: the file's problem, length and error, its bytes, key and records.
// Success when it may be sent to a device.
UpgradeExit ReadImage(const QString& path, FirmwareImage& image, UpgradeReport& report);

struct ImageCheck {
    UpgradeReport report;  // the image's bytes, key and records when it passed
    bool passed = false;
    QString detail;  // why it failed; "" when it passed
    QString hint;    // what to do about it
};

ImageCheck CheckImage(const QString& path);
