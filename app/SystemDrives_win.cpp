#include "app/SystemDrives.h"

#include <QDir>

namespace SystemDrives {

const Qt::CaseSensitivity PathCase = Qt::CaseInsensitive;

// The drive letters the system has, as the drive list of a Windows program shows them.
QStringList Roots() {
    QStringList roots;
    for (const QFileInfo& drive : QDir::drives()) roots.append(drive.absolutePath());
    return roots;
}

}  // namespace SystemDrives
