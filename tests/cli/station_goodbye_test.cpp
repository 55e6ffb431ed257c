// A station on the line says goodbye to a broker that may not answer: the wait runs the event
// loop, and a second Ctrl-C in it once reached a display already gone. The station must still end
// with the run's own exit code.

#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <QTemporaryDir>

#include "tests/cli/StationTesting.h"
#include "tests/common/Mosquitto.h"
#include "tests/common/RecordFileLines.h"
#include "tests/common/SimBridge.h"
#include "tests/common/Watched.h"

namespace {

TEST(StationGoodbye, ASecondSignalWhileTheBrokerIsSilentEndsWell) {
    SimBridge sim(StationTesting::units(1));
    ASSERT_TRUE(sim.ready());
    Mosquitto broker;
    ASSERT_TRUE(broker.start());
    QTemporaryDir folder;
    const QString records = folder.filePath("records.jsonl");
    QProcess station;
    station.start(FLASH_PROGRAM,
                  {"station", "--record", records, "--publish", broker.url(), "--line", "L1",
                   "--station", "S1", StationTesting::Images + "three-records.frw"});
    ASSERT_TRUE(WaitUntil([&] { return ReadRecordFile(records).closing.size() == 1; }, 60000));
    broker.pause();
    ASSERT_TRUE(SignalRunning(station, SIGINT));
    // The totals come last before the goodbye.
    QByteArray out;
    ASSERT_TRUE(WaitUntil(
        [&] {
            station.waitForReadyRead(100);
            out += station.readAllStandardOutput();
            return out.contains("passed 1, failed 0");
        },
        60000))
        << out.toStdString();
    ASSERT_TRUE(SignalRunning(station, SIGINT));
    ASSERT_TRUE(station.waitForFinished(30000));
    broker.resume();
    EXPECT_EQ(station.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(station.exitCode(), 0);
}

}  // namespace
