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
};

// The box first, then its log lines once the operator has dismissed it, then the blank line.
void ReportExit(OperationView& view, UpgradeExit exit, const QString& firmwarePath);

// Whether the record phase ran, so that its progress and status must be put back.
bool EndsTransfer(UpgradeExit exit);
