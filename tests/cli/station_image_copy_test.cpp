// Every upgrade flashes the station's private copy of the image: a copy cut short by a full
// temporary folder fails every unit as a bad image, and copies left behind by stations that were
// signalled or killed fill the temporary folder run after run.

#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/cli/StationTesting.h"
#include "tests/common/SimBridge.h"

namespace {

using namespace StationTesting;

// The stations' copy folders in `temp`.
QStringList copies(const QString& temp) {
    return QDir(temp).entryList({"tarvellon-station-*"}, QDir::Dirs);
}

// A station with no unit to flash, its temporary folder `temp`; it runs until it is signalled.
class IdleStation {
  public:
    IdleStation(const QString& temp, const QString& folder) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", temp);
        m_process.setProcessEnvironment(environment);
        m_process.start(FLASH_PROGRAM, {"station", Images + "three-records.frw", "--record",
                                        folder + "/records.jsonl"});
    }
    ~IdleStation() {
        m_process.kill();
        m_process.waitForFinished();
    }
    // Its copy is made, and its first line says it watches for units.
    bool started(const QString& temp) {
        const QString pid = QString::number(m_process.processId());
        return waitFor(
            [&] {
                return copies(temp).filter("-" + pid + "-").size() == 1 &&
                       (m_process.bytesAvailable() > 0 || m_process.waitForReadyRead(10));
            },
            30000);
    }
    QProcess& process() { return m_process; }

  private:
    QProcess m_process;
};

// A full temporary folder stops the start, says why, and touches no unit.
TEST(StationImageCopy, ACopyThatCannotBeWrittenStopsTheStart) {
    SimBridge sim(units(1));
    ASSERT_TRUE(sim.ready());
    QTemporaryDir folder;
    const SmallDisk disk(folder.filePath("tmp"), 0);
    ASSERT_TRUE(disk.ready());
    QProcess station;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", folder.filePath("tmp"));
    station.setProcessEnvironment(environment);
    // Without a file system of its own, no file the station writes may grow at all.
    if (!disk.mounted()) limitFileSize(station, 0);
    station.start(FLASH_PROGRAM, {"station", Images + "accepted.frw", "--count", "1", "--record",
                                  folder.filePath("records.jsonl")});
    ASSERT_TRUE(station.waitForFinished(30000));
    EXPECT_EQ(station.exitCode(), 3);
    const QString err = QString::fromUtf8(station.readAllStandardError());
    EXPECT_TRUE(err.startsWith("tarvellon-flash: cannot keep a private copy of the image in " +
                               folder.filePath("tmp") + ": "))
        << err.toStdString();
    EXPECT_TRUE(err.contains(" (0 of its 3,908 bytes written)")) << err.toStdString();
    EXPECT_TRUE(sim.events(SimEvent::Kind::Open).isEmpty());
    EXPECT_TRUE(copies(folder.filePath("tmp")).isEmpty());
}

// A station removes its copy however it ends, and on its start the copies that ended stations
// left; never the copy of one that runs.
TEST(StationImageCopy, NoneOutlivesItsStationPastTheNextStart) {
    SimBridge sim("");
    ASSERT_TRUE(sim.ready());
    QTemporaryDir folder;
    const QString temp = folder.filePath("tmp");
    ASSERT_TRUE(QDir().mkpath(temp));
    // As a station killed before it could remove its copy leaves it.
    QProcess ended;
    ended.start("true");
    ASSERT_TRUE(ended.waitForStarted());
    const QString left = QString("%1/tarvellon-station-%2-AbC123").arg(temp).arg(ended.processId());
    ASSERT_TRUE(ended.waitForFinished());
    ASSERT_TRUE(QDir().mkpath(left));
    QFile leftCopy(left + "/image.frw");
    ASSERT_TRUE(leftCopy.open(QIODevice::WriteOnly) && leftCopy.write("image") == 5);
    leftCopy.close();
    ASSERT_TRUE(leftCopy.setPermissions(QFileDevice::ReadOwner));
    ASSERT_TRUE(QDir().mkpath(temp + "/tarvellon-station-notes"));

    IdleStation running(temp, folder.path());
    ASSERT_TRUE(running.started(temp));
    EXPECT_FALSE(QFileInfo::exists(left));
    {
        IdleStation killed(temp, folder.path());
        ASSERT_TRUE(killed.started(temp));
        ::kill(pid_t(killed.process().processId()), SIGKILL);
        ASSERT_TRUE(killed.process().waitForFinished());
    }
    EXPECT_EQ(copies(temp).size(), 3);  // the running station's, the killed one's, the notes
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        IdleStation station(temp, folder.path());
        ASSERT_TRUE(station.started(temp));
        EXPECT_EQ(copies(temp).size(), 3);  // its own now instead of the killed one's
        ::kill(pid_t(station.process().processId()), signal);
        ASSERT_TRUE(station.process().waitForFinished(30000));
        EXPECT_EQ(station.process().exitCode(), 0);
        EXPECT_EQ(copies(temp).size(), 2);
    }
    ::kill(pid_t(running.process().processId()), SIGTERM);
    ASSERT_TRUE(running.process().waitForFinished(30000));
    EXPECT_EQ(copies(temp), QStringList{"tarvellon-station-notes"});
}

}  // namespace
