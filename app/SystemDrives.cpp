#include "app/SystemDrives.h"

#include <QStorageInfo>

namespace SystemDrives {

const Qt::CaseSensitivity PathCase = Qt::CaseSensitive;

// Without drive letters a drive is the root of a mounted, ready file system.
QStringList Roots() {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady()) roots.append(volume.rootPath());
    }
    return roots;
}

}  // namespace SystemDrives
