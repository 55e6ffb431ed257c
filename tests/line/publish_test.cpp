// The factory's traceability system gets every attempt from the broker, or it gets nothing at
// all: a line of the record file skipped after an outage, a station killed or a broker restarted
// is an attempt nobody can vouch for. Each case runs the station's publishing as a process, the
// real station on simulated units or its publishing alone (tests/line/line_publish_driver.cpp),
// against Debian's mosquitto, and reads what an independent subscriber got. Which lines go, in
// which order and from which cursor: outbox_test.cpp.

#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <optional>

#include "line/Outbox.h"
#include "tests/cli/StationTesting.h"
#include "tests/common/Mosquitto.h"
#include "tests/common/SimBridge.h"
#include "tests/common/Watched.h"
#include "tests/common/WriteFile.h"

namespace {

using StationTesting::Images;
using StationTesting::units;

constexpr int kWaitMs = 60000;

QStringList publishing(const Mosquitto& broker) {
    return {"--publish", broker.url(), "--line", "L1", "--station", "S1"};
}

// The file's lines, each without its line feed.
QByteArrayList fileLines(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().split('\n') : QByteArrayList();
}

// The attempts that came, in order, repeats dropped as a consumer drops them, keeping the first.
QByteArrayList attempts(const QList<MqttMessage>& messages) {
    QByteArrayList found;
    QSet<QByteArray> seen;
    for (const MqttMessage& message : messages) {
        if (message.topic == "tarvellon/L1/S1/attempts" && !seen.contains(message.payload))
            found << message.payload;
        seen.insert(message.payload);
    }
    return found;
}

bool got(Subscriber& subscriber, qsizetype count) {
    return subscriber.waitFor(
        [&](const QList<MqttMessage>& came) { return attempts(came).size() >= count; }, kWaitMs);
}

// A broker, a subscriber to the whole line, and a folder for the record file.
class OnTheLine : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(broker.start());
        subscriber.emplace(broker, "tarvellon/#");
        ASSERT_TRUE(subscriber->ready());
    }

    Mosquitto broker;
    std::optional<Subscriber> subscriber;
    QTemporaryDir folder;
    const QString records = folder.filePath("records.jsonl");
};

// The station killed in the middle of a backlog and started again: afterwards the subscriber
// holds every line of the file, first seen in file order, and the goodbye leaves the cursor past
// the whole file.
TEST_F(OnTheLine, NothingMissingAfterAKilledStation) {
    QByteArray backlog;
    for (int n = 0; n < 20000; ++n)
        backlog += QStringLiteral(R"({"attempt":"a%1","station":"S1"})").arg(n).toUtf8() + '\n';
    ASSERT_TRUE(WriteFile(records, backlog));
    const QStringList args = QStringList{records} + publishing(broker);
    {
        Watched killed(TEST_DRIVERS_DIR "/line_publish_driver", args);
        ASSERT_TRUE(got(*subscriber, 1));
    }
    Watched publisher(TEST_DRIVERS_DIR "/line_publish_driver", args);
    ASSERT_TRUE(got(*subscriber, 20000));
    EXPECT_EQ(attempts(subscriber->messages()), fileLines(records));
    publisher.end(SIGTERM);
    EXPECT_EQ(publisher.process.exitCode(), 0);
    QFile cursor(Outbox::CursorPath(records, "S1"));
    ASSERT_TRUE(cursor.open(QIODevice::ReadOnly));
    EXPECT_EQ(QJsonDocument::fromJson(cursor.readAll())["acknowledged_bytes"].toInteger(),
              QFileInfo(records).size());
}

// The broker goes away after the first unit and comes back after the fourth, while the units go
// on being flashed: the station says the link is down and how many records wait, catches up, and
// the subscriber holds every line of the file, first seen in file order, and the status the 8.
TEST_F(OnTheLine, ABrokerRestartedMidRunLosesNothing) {
    SimBridge sim(units(8).replace("program_ms=4", "program_ms=2"));
    ASSERT_TRUE(sim.ready());
    Watched station(FLASH_PROGRAM,
                    QStringList{"station", "--count", "8", "--jobs", "2", "--record", records} +
                        publishing(broker) + QStringList{Images + "accepted.frw"});
    const auto closed = [&](int count) {
        return WaitUntil([&] { return ReadRecordFile(records).closing.size() >= count; }, kWaitMs);
    };
    ASSERT_TRUE(closed(1));
    broker.stop();
    EXPECT_TRUE(
        station.says("line link down since \\d\\d:\\d\\d \\([^)]+\\), \\d+ records? waiting"))
        << station.out.toStdString();
    ASSERT_TRUE(closed(4));
    ASSERT_TRUE(broker.start());
    EXPECT_TRUE(station.says("line link up, every record sent")) << station.out.toStdString();
    ASSERT_TRUE(station.process.waitForFinished(kWaitMs));
    EXPECT_EQ(station.process.exitCode(), 0);
    EXPECT_TRUE(got(*subscriber, 16));
    EXPECT_EQ(attempts(subscriber->messages()), fileLines(records));
    // The retained status counts the 8, with no record waiting.
    EXPECT_TRUE(subscriber->waitFor(
        [&](const QList<MqttMessage>& came) {
            return std::any_of(came.begin(), came.end(), [&](const MqttMessage& message) {
                const QJsonObject status = QJsonDocument::fromJson(message.payload).object();
                return message.topic == "tarvellon/L1/S1/status" &&
                       status["totals"]["passed"] == 8 && status["backlog"] == 0;
            });
        },
        kWaitMs));
}

// A wrong password: the broker's reason is shown with the records that wait, and both units are
// flashed and recorded all the same; the next start, with the right password, sends them.
TEST(Login, AWrongPasswordIsSaidAndFlashingGoesOn) {
    SimBridge sim(units(2));
    ASSERT_TRUE(sim.ready());
    Mosquitto broker("station:s3cret");
    ASSERT_TRUE(broker.start());
    QTemporaryDir folder;
    const QString records = folder.filePath("records.jsonl");
    // Both units flashed, and the station ended well.
    const auto flashed = [&](const QString& login) {
        Watched station(FLASH_PROGRAM,
                        QStringList{"station", "--count", "2", "--record", records,
                                    "--mqtt-credentials", broker.credentialsFile(login)} +
                            publishing(broker) + QStringList{Images + "three-records.frw"});
        EXPECT_TRUE(station.says("passed 2, failed 0") &&
                    station.process.waitForFinished(kWaitMs) && station.process.exitCode() == 0)
            << station.out.toStdString();
        return QString::fromUtf8(station.out + station.process.readAllStandardOutput());
    };
    EXPECT_TRUE(QRegularExpression("Z line link down since \\d\\d:\\d\\d \\(not authorised\\), "
                                   "\\d records? waiting$",
                                   QRegularExpression::MultilineOption)
                    .match(flashed("station:wrong"))
                    .hasMatch());
    const RecordFileLines lines = ReadRecordFile(records);
    ASSERT_EQ(lines.closing.size(), 2);
    for (const QJsonObject& closing : lines.closing) EXPECT_EQ(closing["outcome"], "upgraded");

    Subscriber subscriber(broker, "tarvellon/+/+/attempts", "station:s3cret");
    ASSERT_TRUE(subscriber.ready());
    flashed("station:s3cret");
    EXPECT_TRUE(got(subscriber, 8));
    EXPECT_EQ(attempts(subscriber.messages()), fileLines(records));
}

}  // namespace
