#include "support/LinuxOnly.h"

namespace LinuxOnly {

QString Refusal(const QCommandLineParser& parser) {
    // As typed; an option the command does not know has failed to parse already.
    const QStringList given = parser.optionNames();
    for (const char* name : {"port", "record", "slot", "location", "station"}) {
        if (given.contains(QLatin1String(name))) {
            return QStringLiteral("--%1 is for Linux only").arg(QLatin1String(name));
        }
    }
    if (given.contains(QStringLiteral("driver")) &&
        parser.value(QStringLiteral("driver")) == QStringLiteral("serial")) {
        return QStringLiteral("--driver serial is for Linux only");
    }
    return {};
}

}  // namespace LinuxOnly
