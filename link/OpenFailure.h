#pragma once

// Why a port did not open, as the driver saw it, so that the technician is told what to do about
// it. The kernel's driver knows why; the vendor's library only that the open failed.

#include <QList>
#include <QString>
#include <optional>

#include "link/serial/PortOpeners.h"

struct OpenFailure {
    enum class Kind {
        NotListed,     // no bridge reports that serial number
        Missing,       // the port's path does not exist
        NotPort,       // something else is there: a file, a folder
        Busy,          // another program holds the port
        NoPermission,  // the user may not open it (not in the dialout group)
        Other,         // the system's words say why
        Unexplained,   // the vendor's library gives no reason
    };
    Kind kind = Kind::Unexplained;
    QString location;
    QString reason;               // the system's words, for Other; for NotPort what is there
    QList<PortOpener> openers{};  // Busy: the programs seen holding the port
};

// Whether a port opened, and why not when it did not. No conversion to bool: a failure that
// reads as true is too easy to take for success.
struct PortOpening {
    std::optional<OpenFailure> failure;  // nothing once the port is open
    // Open, but another program may be reading it unseen (link/serial/PortOpeners.h).
    bool openersUnchecked = false;
    bool opened() const { return !failure; }
};
