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
#include "tests/common/Watched.h"

namespace {

using namespace StationTesting;

// The stations' copy folders in `temp`.
QStringList copies(const QString& temp) {
    return QDir(temp).entryList({"tarvellon-station-*"}, QDir::Dirs);
}

// The environment with `temp` for the temporary folder.
QProcessEnvironment withTemp(const QString& temp) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", temp);
    return environment;
}

// A station with no unit to flash, its temporary folder `temp`; it runs until it is signalled.
std::unique_ptr<Watched> idleStation(const QString& temp, const QString& folder) {
    return std::make_unique<Watched>(
        FLASH_PROGRAM,
        QStringList{"station", Images + "three-records.frw", "--record", folder + "/records.jsonl"},
        withTemp(temp));
}

// Its copy is made, and its first line says it watches for units.
bool started(Watched& station, const QString& temp) {
    const QString pid = QString::number(station.process.processId());
    return station.says(".", 30000) &&
           WaitUntil([&] { return copies(temp).filter("-" + pid + "-").size() == 1; }, 30000);
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

    const auto running = idleStation(temp, folder.path());
    ASSERT_TRUE(started(*running, temp));
    EXPECT_FALSE(QFileInfo::exists(left));
    EXPECT_EQ(copies(temp).size(), 2);  // the running station's, and the notes
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        const auto station = idleStation(temp, folder.path());
        ASSERT_TRUE(started(*station, temp));
        EXPECT_EQ(copies(temp).size(), 3);
        station->end(signal);
        EXPECT_EQ(station->process.exitCode(), 0);
        EXPECT_EQ(copies(temp).size(), 2);
    }
    running->end(SIGTERM);
    EXPECT_EQ(copies(temp), QStringList{"tarvellon-station-notes"});
}

// A full temporary folder stops the start, says why, and touches no unit.
TEST(StationImageCopy, ACopyThatCannotBeWrittenStopsTheStart) {
    SimBridge sim(units(1));
    ASSERT_TRUE(sim.ready());
    QTemporaryDir folder;
    const SmallDisk disk(folder.filePath("tmp"), 0);
    ASSERT_TRUE(disk.ready());
    QProcess station;
    station.setProcessEnvironment(withTemp(folder.filePath("tmp")));
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

}  // namespace
