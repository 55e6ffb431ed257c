// A unit that leaves the line unrecorded is a unit nobody can vouch for: a record file that fills
// up must stop the line before another unit is touched, and say so where the operator looks.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/cli/StationTesting.h"
#include "tests/common/SimBridge.h"

namespace {

using namespace StationTesting;

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
    void limit(QProcess& process) const {
        if (m_limit == 0) return;
        process.setChildProcessModifier([limit = m_limit] {
            const rlimit size{rlim_t(limit), rlim_t(limit)};
            ::setrlimit(RLIMIT_FSIZE, &size);
        });
    }

  private:
    QString m_folder;
    bool m_mounted = false;
    bool m_ready = false;
    qint64 m_limit = 0;
};

// An attempt line that cannot be written stops the line: no unit is touched after it, the failure
// stays on the final screen, and the station ends with 3 whatever the units did.
TEST(StationRecordFile, ALostAttemptLineStopsTheLine) {
    for (const qint64 free : {0, 4096}) {
        SCOPED_TRACE(free == 0 ? "full at start" : "fills midway");
        SimBridge sim(units(8));
        ASSERT_TRUE(sim.ready());
        QTemporaryDir folder;
        const SmallDisk disk(folder.filePath("disk"), free);
        ASSERT_TRUE(disk.ready());
        QProcess station;
        disk.limit(station);
        station.start(FLASH_PROGRAM, {"station", Images + "three-records.frw", "--jobs", "1",
                                      "--count", "8", "--record", disk.recordPath()});
        ASSERT_TRUE(station.waitForFinished(30000));
        EXPECT_EQ(station.exitCode(), 3);
        const QString out = QString::fromUtf8(station.readAllStandardOutput()).trimmed();
        EXPECT_TRUE(out.section('\n', -1).section(' ', 1).startsWith("LINE STOPPED"))
            << out.toStdString();
        EXPECT_FALSE(out.contains("Unknown error"));

        const RecordFileLines lines = readRecordFile(disk.recordPath());
        const qsizetype opens = sim.events(SimEvent::Kind::Open).size();
        EXPECT_EQ(opens, lines.started.size());
        EXPECT_LE(lines.started.size() - lines.closing.size(), 1);
        EXPECT_TRUE(free == 0 ? opens == 0 : opens > 0 && opens < 8) << opens;
    }
}

}  // namespace
