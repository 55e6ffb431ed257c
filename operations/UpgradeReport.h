#pragma once

// What one upgrade saw, for a front end that reports more than the window does: the window
// ignores it, the command line turns it into its exit code, its closing lines and its JSON.

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>
#include <cstdint>
#include <optional>

#include "link/FTDI.h"
#include "link/OpenFailure.h"
#include "operations/FirmwareImage.h"
#include "operations/UpgradeExit.h"

// The step at which an upgrade stopped, and what the device had said by then.
struct FailedStep {
    // "open", a command without its line feed ("id", "runlevel", "reset", ...), or "record".
    QString command;
    // Ok: a whole reply arrived and was refused.
    FTDI::ReadOutcome outcome = FTDI::ReadOutcome::Ok;
    // The reply line or what arrived of it; a byte reply as one character.
    QString reply;
    std::int32_t record = 0;  // counting from 1
};

struct UpgradeReport {
    UpgradeExit exit = UpgradeExit::Success;
    // Why the file failed its checks, and its length as measured (-1 before).
    FirmwareImage::Problem fileProblem = FirmwareImage::Problem::None;
    qint64 fileLength = -1;
    // The checked bytes the records were sent from; empty when the file failed its checks.
    QByteArray image;
    // Of `image`, in 64 lowercase hex digits: how records and the command line name the image.
    QString imageSha256() const {
        return QString::fromLatin1(
            QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex());
    }
    // Why the file could not be read (UpgradeExit::FileUnreadable).
    QString fileError;
    QString imageKey;
    std::int32_t records = 0;
    std::int32_t recordsAcknowledged = 0;
    // The answer to "firmkey" as it came, before the alias rewrite; empty when never read.
    QString deviceKeyReply;
    // Set when the device exchange failed or was interrupted.
    FailedStep failed;
    // Why the device did not open, as the driver saw it (failed step "open").
    std::optional<OpenFailure> openFailure;
    // The port opened, but another program may be reading it unseen (another user's).
    bool openersUnchecked = false;
};
