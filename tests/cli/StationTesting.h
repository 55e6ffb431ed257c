#pragma once

// What the station's process tests share: simulated units and a disk that fills up.

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "tests/common/RecordFileLines.h"
#include "tests/common/WaitUntil.h"

namespace StationTesting {

inline const QString Images = SAMPLE_IMAGES_DIR "/";

// n units UNIT0001..., answering at once; `extra` adds settings to unit `which`.
inline QString units(int n, int which = 0, const QString& extra = {}) {
    QString config;
    for (int i = 1; i <= n; ++i)
        config += QString("device=UNIT%1\nlatency_ms=0\nprogram_ms=4\n%2\n")
                      .arg(i, 4, 10, QChar('0'))
                      .arg(i == which ? extra : QString());
    return config;
}

// No file that `process` and its children write grows past `bytes`: a write beyond fails.
inline void limitFileSize(QProcess& process, qint64 bytes) {
    process.setChildProcessModifier([bytes] {
        const rlimit size{rlim_t(bytes), rlim_t(bytes)};
        ::setrlimit(RLIMIT_FSIZE, &size);
        ::signal(SIGXFSZ, SIG_IGN);
    });
}

// The record file on a disk with `free` bytes left: a small file system where the test may mount
// one, elsewhere a file size limit on the station and its upgrades that leaves as much room.
class SmallDisk {
  public:
    SmallDisk(const QString& folder, qint64 free) : m_folder(folder) {
        const QByteArray path = QFile::encodeName(folder);
        m_mounted = ::mkdir(path.constData(), 0700) == 0 &&
                    ::mount("tmpfs", path.constData(), "tmpfs", 0, "size=64k") == 0;
        QFile filler(m_mounted ? folder + "/filler" : recordPath());
        if (!m_mounted) m_limit = 1 << 20;
        const qint64 size = (m_mounted ? 64 << 10 : m_limit) - free;
        m_ready = (m_mounted || QFileInfo(folder).isDir()) && filler.open(QIODevice::WriteOnly) &&
                  filler.write(QByteArray(size - 1, ' ') + '\n') == size && filler.flush();
    }
    ~SmallDisk() {
        if (m_mounted) ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
    bool ready() const { return m_ready; }
    QString recordPath() const { return m_folder + "/records.jsonl"; }
    bool mounted() const { return m_mounted; }
    void limit(QProcess& process) const {
        if (m_limit > 0) limitFileSize(process, m_limit);
    }

  private:
    QString m_folder;
    bool m_mounted = false;
    bool m_ready = false;
    qint64 m_limit = 0;
};

}  // namespace StationTesting
