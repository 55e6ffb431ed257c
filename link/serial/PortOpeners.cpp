#include "link/serial/PortOpeners.h"

#include <QFile>

#ifdef Q_OS_LINUX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
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

// Every open runs this over every descriptor on the machine, tens of thousands on a busy one, so
// it stays with the system's calls: no sorted listing, no text per descriptor.
bool holds(int descriptors, dev_t device) {
    DIR* folder = ::fdopendir(descriptors);
    if (folder == nullptr) {
        ::close(descriptors);
        return false;
    }
    bool held = false;
    while (const dirent* entry = ::readdir(folder)) {
        struct stat status {};
        if (entry->d_name[0] != '.' && ::fstatat(descriptors, entry->d_name, &status, 0) == 0 &&
            S_ISCHR(status.st_mode) && status.st_rdev == device) {
            held = true;
            break;
        }
    }
    ::closedir(folder);
    return held;
}

QString processName(const char* pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(QLatin1String(pid)));
    return comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll()).trimmed()
                                          : QStringLiteral("?");
}

}  // namespace

OpenerScan OtherOpeners(const QString& location) {
    const dev_t device = characterDevice(location);
    if (device == 0) return {};
    DIR* processes = ::opendir("/proc");
    if (processes == nullptr) return {};
    const long self = ::getpid();
    OpenerScan scan;
    while (const dirent* entry = ::readdir(processes)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == self) continue;
        const int descriptors =
            ::openat(::dirfd(processes), (entry->d_name + QByteArray("/fd")).constData(),
                     O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (descriptors < 0) {
            // A process that ended meanwhile holds nothing; one that hides its descriptors may.
            scan.unchecked = scan.unchecked || errno == EACCES;
            continue;
        }
        if (holds(descriptors, device)) scan.openers.append({processName(entry->d_name), pid});
    }
    ::closedir(processes);
    return scan;
}

#else

OpenerScan OtherOpeners(const QString&) {
    return {};
}

#endif
