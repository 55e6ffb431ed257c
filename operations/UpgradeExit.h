#pragma once

// How an upgrade ended and what the operator is told about it. Each ending has its own box and
// closing words, and the operator reads the box before the log lines that follow it.

#include <QString>

#include "operations/OperationView.h"

enum class UpgradeExit {
    NoFileSelected,
    FileMissing,
    FileUnreadable,
    FormatFailure,
    NoDeviceSelected,
    CommunicationFailure,
    ProgrammingFailure,
    Success,
    Interrupted,  // only when a front end requests it; the window never does
    // Only when a front end turns the checked image down before the device is opened (a hash it
    // did not expect, a record it could not write); the window never does.
    Refused,
};

// The box first, then its log lines once the operator has dismissed it, then the blank line.
void ReportExit(OperationView& view, UpgradeExit exit, const QString& firmwarePath);

// Whether the record phase ran, so that its progress and status must be put back.
bool EndsTransfer(UpgradeExit exit);
