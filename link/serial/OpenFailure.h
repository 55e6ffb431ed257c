#pragma once

// Why a port did not open, so the command line can tell the technician what to do about it.

#include <QList>
#include <QString>

#include "link/serial/PortOpeners.h"

struct OpenFailure {
    enum class Kind {
        NotListed,     // no FTDI bridge reports that serial number
        Missing,       // the port's path does not exist
        Busy,          // another program holds the port
        NoPermission,  // the user may not open it (not in the dialout group)
        Other,
    };
    Kind kind = Kind::NotListed;
    QString location;
    QString reason;               // the system's words, for Other
    QList<PortOpener> openers{};  // Busy: the programs seen holding the port
};
