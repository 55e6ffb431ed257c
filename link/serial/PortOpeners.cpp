#include "link/serial/PortOpeners.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#ifdef Q_OS_LINUX
#include <sys/stat.h>
#endif

#ifdef Q_OS_LINUX

namespace {

// The character device behind a path; 0 for anything else. A pseudo-terminal's master side is a
// device of its own, so the simulated device's end never counts as an opener of its far end.
dev_t characterDevice(const QString& path) {
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISCHR(status.st_mode)
               ? status.st_rdev
               : 0;
}

bool holds(const QDir& descriptors, dev_t device) {
    for (const QString& descriptor : descriptors.entryList(QDir::AllEntries | QDir::System)) {
        if (characterDevice(descriptors.filePath(descriptor)) == device) return true;
    }
    return false;
}

}  // namespace

QList<PortOpener> OtherOpeners(const QString& location) {
    const dev_t device = characterDevice(location);
    if (device == 0) return {};
    const qint64 self = QCoreApplication::applicationPid();
    QList<PortOpener> openers;
    const QDir processes(QStringLiteral("/proc"));
    for (const QString& entry : processes.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number || pid == self || !holds(QDir(processes.filePath(entry + "/fd")), device)) {
            continue;
        }
        QFile comm(processes.filePath(entry + "/comm"));
        const QString name = comm.open(QIODevice::ReadOnly)
                                 ? QString::fromUtf8(comm.readAll()).trimmed()
                                 : QStringLiteral("?");
        openers.append({name, pid});
    }
    return openers;
}

#else

QList<PortOpener> OtherOpeners(const QString&) {
    return {};
}

#endif
