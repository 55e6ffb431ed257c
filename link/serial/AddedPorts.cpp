#include "link/serial/AddedPorts.h"

#include <QFileInfo>
#include <algorithm>

QList<FtdiPort> WithAddedPorts(QList<FtdiPort> listed, const QList<PortDescription>& system,
                               const QStringList& paths) {
    for (const QString& path : paths) {
        // Short as the kernel names it, so the list's 16 characters hold it whole.
        const QString location = QFileInfo(path).canonicalFilePath();
        const auto at = [&](const auto& port) { return port.location == location; };
        if (location.isEmpty() || std::any_of(listed.begin(), listed.end(), at)) {
            continue;
        }
        const auto described = std::find_if(system.begin(), system.end(), at);
        const bool serial = described != system.end() && !described->serial.isEmpty();
        listed.append({serial ? described->serial : location, location});
    }
    return listed;
}
