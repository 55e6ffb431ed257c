// A station on the line sends what its record file holds, and nothing else: every started and
// closing line of its units, unchanged and in file order, whichever face runs it, and through a
// broker that goes away mid-run; a login the broker refuses is said, and the units are flashed
// all the same. Each case runs the real station as a process on simulated units, against
// Debian's mosquitto, and reads what an independent subscriber got.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include "tests/cli/StationTesting.h"
#include "tests/common/Mosquitto.h"
#include "tests/common/SimBridge.h"
#include "tests/common/WatchedProcess.h"

namespace {

using StationTesting::Images;
using StationTesting::units;

constexpr int kWaitMs = 60000;
const QString Attempts = "tarvellon/L1/S1/attempts";

QByteArrayList fileLines(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QByteArrayList lines = file.readAll().split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

QByteArrayList attemptMessages(const QList<MqttMessage>& messages) {
    QByteArrayList found;
    QSet<QByteArray> seen;
    // Repeats dropped, as a consumer drops them, keeping the first.
    for (const MqttMessage& message : messages) {
        if (message.topic == Attempts && !seen.contains(message.payload)) found << message.payload;
        seen.insert(message.payload);
    }
    return found;
}

QStringList publishing(const Mosquitto& broker) {
    return {"--publish", broker.url(), "--line", "L1", "--station", "S1"};
}

// Each face of the station, as started for a run of 8 units.
struct Face {
    const char* name;
    QString program;
    QStringList args;
};
const Face faces[] = {
    {"the terminal's", FLASH_PROGRAM, {"station", "--count", "8"}},
    {"the window's", STATION_PROGRAM, {}},
};

class EveryLine : public testing::TestWithParam<Face> {};

// Eight units at once: every started and closing line arrives, once, in file order, equal to the
// file's lines, each naming the station; the retained status counts the 8.
TEST_P(EveryLine, ArrivesInFileOrderAsTheFileHoldsIt) {
    const Face& face = GetParam();
    SimBridge sim(units(8));
    ASSERT_TRUE(sim.ready());
    Mosquitto broker;
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(broker, "tarvellon/#");
    ASSERT_TRUE(subscriber.ready());
    QTemporaryDir folder;
    const QString records = folder.filePath("records.jsonl");
    WatchedProcess station;
    station.process.start(face.program,
                          face.args + publishing(broker) +
                              QStringList{"--record", records, Images + "three-records.frw"});
    ASSERT_TRUE(subscriber.waitFor(
        [](const QList<MqttMessage>& got) { return attemptMessages(got).size() >= 16; }, kWaitMs));
    const QByteArrayList lines = fileLines(records);
    ASSERT_EQ(lines.size(), 16);
    EXPECT_EQ(attemptMessages(subscriber.messages()), lines);
    for (const QByteArray& line : lines) EXPECT_EQ(QJsonDocument::fromJson(line)["station"], "S1");
    EXPECT_TRUE(subscriber.waitFor(
        [](const QList<MqttMessage>& got) {
            return std::any_of(got.begin(), got.end(), [](const MqttMessage& message) {
                const QJsonObject status = QJsonDocument::fromJson(message.payload).object();
                return message.topic == "tarvellon/L1/S1/status" &&
                       status["totals"]["passed"] == 8 && status["backlog"] == 0;
            });
        },
        kWaitMs));
}

INSTANTIATE_TEST_SUITE_P(Faces, EveryLine, testing::ValuesIn(faces),
                         [](const auto& info) { return std::to_string(info.index); });

// The broker goes away after the first unit and comes back after the fourth, while the units go
// on being flashed: the station says the link is down and how many records wait, catches up, and
// the subscriber holds every line of the file, first seen in file order.
TEST(OnTheLine, ABrokerRestartedMidRunLosesNothing) {
    SimBridge sim(units(8).replace("program_ms=4", "program_ms=2"));
    ASSERT_TRUE(sim.ready());
    Mosquitto broker;
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(broker, "tarvellon/+/+/attempts");
    ASSERT_TRUE(subscriber.ready());
    QTemporaryDir folder;
    const QString records = folder.filePath("records.jsonl");
    WatchedProcess station;
    station.process.start(
        FLASH_PROGRAM, QStringList{"station", "--count", "8", "--jobs", "2", "--record", records} +
                           publishing(broker) + QStringList{Images + "accepted.frw"});
    const auto closed = [&](int count) {
        return StationTesting::waitFor(
            [&] { return StationTesting::readRecordFile(records).closing.size() >= count; },
            kWaitMs);
    };
    ASSERT_TRUE(closed(1));
    broker.stop();
    EXPECT_TRUE(station.says(
        "line link down since \\d\\d:\\d\\d \\([^)]+\\), \\d+ records? waiting", kWaitMs))
        << station.output().toStdString();
    ASSERT_TRUE(closed(4));
    ASSERT_TRUE(broker.start());
    EXPECT_TRUE(station.says("line link up, every record sent", kWaitMs))
        << station.output().toStdString();
    ASSERT_TRUE(station.process.waitForFinished(kWaitMs));
    EXPECT_EQ(station.process.exitCode(), 0);
    EXPECT_TRUE(subscriber.waitFor(
        [](const QList<MqttMessage>& got) { return attemptMessages(got).size() >= 16; }, kWaitMs));
    EXPECT_EQ(attemptMessages(subscriber.messages()), fileLines(records));
}

// A wrong password: the broker's reason is shown with the records that wait, and both units are
// flashed and recorded all the same; the next start, with the right password, sends them.
TEST(OnTheLine, AWrongPasswordIsSaidAndFlashingGoesOn) {
    SimBridge sim(units(2));
    ASSERT_TRUE(sim.ready());
    Mosquitto broker("station:s3cret");
    ASSERT_TRUE(broker.start());
    QTemporaryDir folder;
    const QString records = folder.filePath("records.jsonl");
    const auto run = [&](const QString& login, WatchedProcess& station) {
        station.process.start(FLASH_PROGRAM,
                              QStringList{"station", "--count", "2", "--record", records,
                                          "--mqtt-credentials", broker.credentialsFile(login)} +
                                  publishing(broker) + QStringList{Images + "three-records.frw"});
        return station.says("passed 2, failed 0", kWaitMs) &&
               station.process.waitForFinished(kWaitMs) && station.process.exitCode() == 0;
    };
    WatchedProcess refused;
    ASSERT_TRUE(run("station:wrong", refused)) << refused.output().toStdString();
    EXPECT_TRUE(refused.says(
        "Z line link down since \\d\\d:\\d\\d \\(not authorised\\), \\d records? waiting$", 0))
        << refused.output().toStdString();
    const StationTesting::RecordFileLines lines = StationTesting::readRecordFile(records);
    ASSERT_EQ(lines.closing.size(), 2);
    for (const QJsonObject& closing : lines.closing) EXPECT_EQ(closing["outcome"], "upgraded");

    Subscriber subscriber(broker, "tarvellon/+/+/attempts", "station:s3cret");
    ASSERT_TRUE(subscriber.ready());
    WatchedProcess admitted;
    ASSERT_TRUE(run("station:s3cret", admitted)) << admitted.output().toStdString();
    EXPECT_TRUE(subscriber.waitFor(
        [](const QList<MqttMessage>& got) { return attemptMessages(got).size() >= 8; }, kWaitMs));
    EXPECT_EQ(attemptMessages(subscriber.messages()), fileLines(records));
}

}  // namespace
