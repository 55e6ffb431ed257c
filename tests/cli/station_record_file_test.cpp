// A unit that leaves the line unrecorded is a unit nobody can vouch for: a record file that fills
// up must stop the line before another unit is touched, and say so where the operator looks. And
// the file is read by the upgrade, for the serial it flashes, and by the station, whole: were they
// to count a damaged file differently, one unit's earlier attempts would depend on who counted.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "cli/Program.h"
#include "station/AttemptLine.h"
#include "station/RecordFile.h"
#include "tests/cli/StationTesting.h"
#include "tests/common/CapturedOutput.h"
#include "tests/common/SimBridge.h"
#include "tests/common/WriteFile.h"

namespace {

using namespace StationTesting;

// An attempt line that cannot be written stops the line: no unit is touched after it, the failure
// stays on the final screen, and the station ends with 3 whatever the units did.
TEST(StationRecordFile, ALostAttemptLineStopsTheLine) {
    SimBridge sim(units(8));
    ASSERT_TRUE(sim.ready());
    QTemporaryDir folder;
    // Room for a few units' lines, not for eight.
    const SmallDisk disk(folder.filePath("disk"), 4096);
    ASSERT_TRUE(disk.ready());
    QProcess station;
    disk.limit(station);
    station.start(FLASH_PROGRAM, {"station", Images + "three-records.frw", "--jobs", "1", "--count",
                                  "8", "--record", disk.recordPath()});
    ASSERT_TRUE(station.waitForFinished(30000));
    EXPECT_EQ(station.exitCode(), 3);
    const QString out = QString::fromUtf8(station.readAllStandardOutput()).trimmed();
    EXPECT_TRUE(out.section('\n', -1).section(' ', 1).startsWith("LINE STOPPED"))
        << out.toStdString();
    EXPECT_FALSE(out.contains("Unknown error"));

    const RecordFileLines lines = ReadRecordFile(disk.recordPath());
    const qsizetype opens = sim.events(SimEvent::Kind::Open).size();
    EXPECT_EQ(opens, lines.started.size());
    EXPECT_LE(lines.started.size() - lines.closing.size(), 1);
    EXPECT_TRUE(opens > 0 && opens < 8) << opens;
}

// A record file renamed during a run (log rotation, an operator archiving it): the upgrades that
// start after it write to a new file at the path, and the station must find their lines there
// rather than close their attempts a second time in the file it held.
TEST(StationRecordFile, ARenamedFileIsFollowed) {
    constexpr int kUnits = 6;
    SimBridge sim(units(kUnits));
    ASSERT_TRUE(sim.ready());
    QTemporaryDir folder;
    const QString path = folder.filePath("records.jsonl");
    QProcess station;
    station.start(FLASH_PROGRAM, {"station", Images + "three-records.frw", "--jobs", "1", "--count",
                                  QString::number(kUnits), "--record", path});
    ASSERT_TRUE(WaitUntil([&] { return !ReadRecordFile(path).closing.isEmpty(); }, 30000));
    ASSERT_TRUE(QFile::rename(path, path + ".1"));
    ASSERT_TRUE(station.waitForFinished(30000));
    EXPECT_EQ(station.exitCode(), 0) << station.readAllStandardOutput().toStdString();

    QStringList closed;
    for (const QString& file : {path + ".1", path})
        for (const QJsonObject& closing : ReadRecordFile(file).closing)
            closed << closing["attempt"].toString();
    const qsizetype attempts = closed.size();
    closed.removeDuplicates();
    EXPECT_EQ(closed.size(), attempts);
    EXPECT_EQ(attempts, kUnits);
    EXPECT_FALSE(ReadRecordFile(path).closing.isEmpty());
}

// A started line, or with an outcome a closing one.
QByteArray line(const char* attempt, const char* serial, const char* outcome = nullptr) {
    return QByteArray(outcome ? R"({"attempt":"%1","outcome":"%3","serial":"%2"})"
                              : R"({"attempt":"%1","serial":"%2","state":"started"})")
               .replace("%1", attempt)
               .replace("%2", serial)
               .replace("%3", QByteArray(outcome)) +
           '\n';
}

// The attempts on each serial as the station counts them, and on UNIT0001 as its upgrade counts
// them before it flashes it: the same, on every damaged file; and what the station's read of every
// line hands over or reports as damaged agrees with both.
TEST(StationRecordFile, UpgradeAndStationCountDamagedFilesAlike) {
    struct Row {
        const char* name;
        QByteArray records;
        QMap<QString, int> attempts;
        int damaged;  // lines the station reports as not whole records
    };
    // clang-format off
    const Row rows[] = {
        {"whole lines", line("a", "UNIT0001") + line("a", "UNIT0001", "upgraded") + line("b", "UNIT0001"), {{"UNIT0001", 2}}, 0},
        {"a serial with a raw control byte", line("a", "UNIT0001\x01", "upgraded") + line("b", "UNIT0001", "upgraded"), {{"UNIT0001", 1}, {"UNIT0001\x01", 0}}, 1},
        {"started lines without an attempt", line("", "UNIT0001") + line("", "UNIT0001") + line("", "UNIT0002") + line("a", "UNIT0002", "upgraded"), {{"UNIT0001", 0}, {"UNIT0002", 1}}, 3},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir folder;
        const QString path = folder.filePath("records.jsonl");
        ASSERT_TRUE(WriteFile(path, row.records));
        RecordFile records;
        ASSERT_TRUE(records.open(path));
        QStringList handedOver;
        records.readNew([&](const QJsonObject& line) { handedOver << AttemptLine::Serial(line); });
        EXPECT_EQ(records.skippedLines(), row.damaged);
        for (const QString& serial : handedOver) EXPECT_GT(row.attempts.value(serial), 0);
        for (const QString& serial : row.attempts.keys())
            EXPECT_EQ(records.attemptsOn(serial), row.attempts[serial]) << serial.toStdString();

        SimBridge sim(units(1));
        ASSERT_TRUE(sim.ready());
        const CapturedOutput output;
        EXPECT_EQ(int(RunProgram({"tarvellon-flash", "upgrade", "UNIT0001",
                                  Images + "three-records.frw", "--record", path})),
                  0);
        const QList<QJsonObject> written = ReadRecordFile(path).started;
        ASSERT_FALSE(written.isEmpty());
        EXPECT_EQ(written.last()["earlier_records"].toInt(-1), row.attempts["UNIT0001"]);
    }
}

}  // namespace
