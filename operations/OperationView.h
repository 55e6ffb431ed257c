#pragma once

// What a device operation needs of the window, and no more, so that the operation runs and is
// tested without widgets and a second front end can run the very same procedure.

#include <QString>

#include "support/MessageIcon.h"

struct UpgradeReport;

class OperationView {
  public:
    virtual ~OperationView() = default;

    // Modal, OK only; returns when the operator has dismissed it.
    virtual void showMessage(const QString& text, MessageIcon icon) = 0;
    virtual void logLine(const QString& text) = 0;
    virtual void setStatus(const QString& caption) = 0;
    virtual void setProgressMaximum(int maximum) = 0;
    virtual void setProgressValue(int value) = 0;
    virtual void setUpgradeEnabled(bool enabled) = 0;

    // The upgrade has just opened the device, or is about to close it, on every path: where the
    // bridge is tuned for the length of the upgrade.
    virtual void deviceOpened() {}
    virtual void deviceClosing() {}
    // The image has passed its checks and the device is about to be opened: false turns the
    // upgrade down with the device untouched. The window always goes on.
    virtual bool imageChecked(const UpgradeReport&) { return true; }
};
