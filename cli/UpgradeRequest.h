#pragma once

// What `upgrade` is asked to do, read whole from its arguments before anything is touched, so
// that every usage error is said before a driver is loaded or a unit opened.

#include <QStringList>
#include <optional>
#include <variant>

#include "cli/Command.h"
#include "cli/DriverOptions.h"
#include "link/FastLink.h"
#include "station/AttemptLine.h"

struct UpgradeRequest {
    QString serial;     // SERIAL, or else the path --port names; "" for the only unit attached
    QString imagePath;  // IMAGE as given, kept byte for byte (support/NativePath.h)
    QString imageName;  // how the output and the record name the image
    bool json = false;
    FastLink fastLink;
    QString expectedSha256;             // 64 lowercase hex digits; "" when any image goes
    std::optional<QString> recordPath;  // nothing when no record is kept
    AttemptLine::Place place;
    DriverRequest driver;
};

// The request, or how the program ends: after its help or version (0), or a usage error said on
// stderr (64).
std::variant<UpgradeRequest, ExitCode> ReadUpgradeRequest(const Command& command,
                                                          const QStringList& arguments);

// One run of the window's upgrade procedure, its outcome said through the reporter the request
// asks for and, with a record file, recorded.
ExitCode RunUpgrade(const UpgradeRequest& request);
