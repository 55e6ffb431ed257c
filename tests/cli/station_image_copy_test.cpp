// Every upgrade flashes the station's private copy of the image: a copy cut short by a full
// temporary folder fails every unit as a bad image.

#include <gtest/gtest.h>

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

// The environment with `temp` for the temporary folder.
QProcessEnvironment withTemp(const QString& temp) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", temp);
    return environment;
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
