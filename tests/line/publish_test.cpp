// The factory's traceability system gets every attempt from the broker, or it gets nothing at
// all: a line of the record file skipped after an outage, sent out of order, or changed on the
// way is an attempt nobody can vouch for. Each case runs the station's publishing as a process,
// the real station on simulated units or its publishing alone (tests/line/line_publish_driver.cpp)
// on lines appended as the upgrades would, against Debian's mosquitto, and reads what an
// independent subscriber got.

#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <memory>
#include <optional>

#include "line/Outbox.h"
#include "tests/cli/StationTesting.h"
#include "tests/common/Mosquitto.h"
#include "tests/common/SimBridge.h"
#include "tests/common/Watched.h"

namespace {

using StationTesting::Images;
using StationTesting::units;

constexpr int kWaitMs = 60000;
const QString Attempts = "tarvellon/L1/S1/attempts";

QStringList publishing(const Mosquitto& broker) {
    return {"--publish", broker.url(), "--line", "L1", "--station", "S1"};
}

// A record line of `station`, as an upgrade writes one.
QByteArray recordLine(int n, const QString& station) {
    return QJsonDocument(QJsonObject{{"state", n % 2 ? "started" : QJsonValue()},
                                     {"attempt", QString("attempt-%1").arg(n / 2)},
                                     {"station", station.isEmpty() ? QJsonValue() : station},
                                     {"serial", QString("UNIT%1").arg(n / 2, 4, 10, QChar('0'))},
                                     {"outcome", n % 2 ? QJsonValue() : "upgraded"}})
        .toJson(QJsonDocument::Compact);
}

bool append(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(bytes) == bytes.size();
}

// Lines of `text` that belong to `station`, in order.
QByteArrayList linesOf(const QByteArray& text, const QString& station = "S1") {
    QByteArrayList lines;
    for (const QByteArray& line : text.split('\n')) {
        if (QJsonDocument::fromJson(line).object()["station"] == station) lines << line;
    }
    return lines;
}

QByteArrayList fileLines(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? linesOf(file.readAll()) : QByteArrayList();
}

// The attempts that came, in order; `once`: repeats dropped as a consumer drops them, keeping the
// first.
QByteArrayList attempts(const QList<MqttMessage>& messages, bool once = false) {
    QByteArrayList found;
    QSet<QByteArray> seen;
    for (const MqttMessage& message : messages) {
        if (message.topic == Attempts && !(once && seen.contains(message.payload)))
            found << message.payload;
        seen.insert(message.payload);
    }
    return found;
}

// A broker, a subscriber to the whole line, and a folder for the record file.
class OnTheLine : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(broker.start());
        subscriber.emplace(broker, "tarvellon/#");
        ASSERT_TRUE(subscriber->ready());
    }
    // Waits until `count` attempts came (`once`: each counted once).
    bool got(qsizetype count, bool once = false) {
        return subscriber->waitFor(
            [&](const QList<MqttMessage>& came) { return attempts(came, once).size() >= count; },
            kWaitMs);
    }
    // Waits until the station's status says `count` units passed and no record waits.
    bool passed(int count) {
        return subscriber->waitFor(
            [&](const QList<MqttMessage>& came) {
                return std::any_of(came.begin(), came.end(), [&](const MqttMessage& message) {
                    const QJsonObject status = QJsonDocument::fromJson(message.payload).object();
                    return message.topic == "tarvellon/L1/S1/status" &&
                           status["totals"]["passed"] == count && status["backlog"] == 0;
                });
            },
            kWaitMs);
    }

    Mosquitto broker;
    std::optional<Subscriber> subscriber;
    QTemporaryDir folder;
    const QString records = folder.filePath("records.jsonl");
};

// The station's publishing alone.
const QString Driver = TEST_DRIVERS_DIR "/line_publish_driver";

QByteArray mixedFile() {
    QByteArray text;
    for (int n = 0; n < 12; ++n) text += recordLine(n, n % 3 == 2 ? "S2" : "S1") + '\n';
    // A line cut short (a full disk), a line of an upgrade run on its own.
    text.insert(text.indexOf('\n', 200) + 1, "{\"station\":\"S1\",\"ser\n");
    return text + recordLine(12, "") + '\n';
}

// A stretch longer than any record without a line feed (a damaged file) between lines.
QByteArray longLineFile() {
    QByteArray text = mixedFile();
    text.insert(text.indexOf('\n', 300) + 1, QByteArray(3 << 20, 'x') + '\n');
    return text;
}

// before: the record file at the start; cursor: the cursor file's text ("" none, "AT n [k]" the
// offset of this station's line n, k bytes in, "END" past the file, else as it is); sentFrom:
// this station's line the publishing starts from.
struct OrderRow {
    const char* name;
    QByteArray before;
    QByteArray cursor;
    int sentFrom;
};

const OrderRow orderRows[] = {
    {"a fresh file: from its first line", mixedFile(), "", 0},
    {"a cursor at a line: from there", mixedFile(), "AT 3", 3},
    {"a cursor past the end: another file, from its start", mixedFile(), "END", 0},
    {"a cursor inside a line: from the start", mixedFile(), "AT 3 5", 0},
    {"a cursor that is not one: from the start", mixedFile(), "garbage", 0},
    {"no record yet", "", "", 0},
    {"a line longer than any record: passed over", longLineFile(), "", 0},
};

class Order : public OnTheLine, public testing::WithParamInterface<OrderRow> {};

// Every line of this station, unchanged and once, in file order; the others' lines, torn lines
// and lines of upgrades run on their own are not sent.
TEST_P(Order, ThisStationsLinesInFileOrder) {
    const OrderRow& row = GetParam();
    ASSERT_TRUE(append(records, row.before));
    const QByteArrayList before = linesOf(row.before);
    const QByteArrayList words = row.cursor.split(' ');
    if (words[0] == "AT" || words[0] == "END") {
        const qsizetype at = words[0] == "END" ? row.before.size() + 100
                                               : row.before.indexOf(before[words[1].toInt()]) +
                                                     words.value(2).toInt();
        ASSERT_TRUE(append(Outbox::CursorPath(records, "S1"),
                           "{\"acknowledged_bytes\":" + QByteArray::number(at) + "}"));
    } else if (!row.cursor.isEmpty()) {
        ASSERT_TRUE(append(Outbox::CursorPath(records, "S1"), row.cursor));
    }
    Watched publisher(Driver, QStringList{records} + publishing(broker));
    ASSERT_TRUE(publisher.says("^connected$"));
    const QByteArrayList first = before.mid(row.sentFrom);
    ASSERT_TRUE(got(first.size()));
    // As the upgrades append: each in one write, the last line in two.
    QByteArrayList appended;
    for (int n = 20; n < 27; ++n) appended << recordLine(n, "S1");
    for (int n = 0; n < 6; ++n) ASSERT_TRUE(append(records, appended[n] + '\n'));
    ASSERT_TRUE(append(records, recordLine(27, "S2") + '\n' + appended.last().left(10)));
    ASSERT_TRUE(got(first.size() + 6));
    ASSERT_TRUE(append(records, appended.last().mid(10) + '\n'));
    ASSERT_TRUE(got(first.size() + appended.size()));
    publisher.end(SIGTERM);
    EXPECT_EQ(publisher.process.exitCode(), 0);
    EXPECT_EQ(attempts(subscriber->messages()), first + appended);
    // The cursor kept what the broker acknowledged: the whole file.
    QFile cursor(Outbox::CursorPath(records, "S1"));
    ASSERT_TRUE(cursor.open(QIODevice::ReadOnly));
    EXPECT_EQ(QJsonDocument::fromJson(cursor.readAll())["acknowledged_bytes"].toInteger(),
              QFileInfo(records).size());
}

INSTANTIATE_TEST_SUITE_P(Rows, Order, testing::ValuesIn(orderRows),
                         [](const auto& info) { return std::to_string(info.index); });

// The station killed in the middle of a backlog and started again: afterwards the subscriber
// holds every line of the file, first seen in file order, repeats allowed and none missing.
TEST_F(OnTheLine, NothingMissingAfterAKilledStation) {
    QByteArray backlog;
    for (int n = 0; n < 20000; ++n) backlog += recordLine(n, "S1") + '\n';
    ASSERT_TRUE(append(records, backlog));
    {
        Watched killed(Driver, QStringList{records} + publishing(broker));
        ASSERT_TRUE(got(1));
        killed.end(SIGKILL);
    }
    Watched publisher(Driver, QStringList{records} + publishing(broker));
    ASSERT_TRUE(got(20000, true));
    EXPECT_EQ(attempts(subscriber->messages(), true), linesOf(backlog));
}

// The station's window, eight units at once: every started and closing line arrives, once, in
// file order, equal to the file's lines, each naming the station; the retained status counts the 8.
TEST_F(OnTheLine, EveryLineArrivesInFileOrderAsTheFileHoldsIt) {
    SimBridge sim(units(8));
    ASSERT_TRUE(sim.ready());
    Watched station(
        STATION_PROGRAM,
        publishing(broker) + QStringList{"--record", records, Images + "three-records.frw"});
    ASSERT_TRUE(got(16, true));
    const QByteArrayList lines = fileLines(records);
    ASSERT_EQ(lines.size(), 16);
    EXPECT_EQ(attempts(subscriber->messages(), true), lines);
    EXPECT_TRUE(passed(8));
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
    EXPECT_TRUE(got(16, true));
    EXPECT_EQ(attempts(subscriber->messages(), true), fileLines(records));
    EXPECT_TRUE(passed(8));
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
        auto station = std::make_unique<Watched>(
            FLASH_PROGRAM, QStringList{"station", "--count", "2", "--record", records,
                                       "--mqtt-credentials", broker.credentialsFile(login)} +
                               publishing(broker) + QStringList{Images + "three-records.frw"});
        EXPECT_TRUE(station->says("passed 2, failed 0") &&
                    station->process.waitForFinished(kWaitMs) && station->process.exitCode() == 0)
            << station->out.toStdString();
        return station;
    };
    const auto refused = flashed("station:wrong");
    EXPECT_TRUE(refused->says(
        "Z line link down since \\d\\d:\\d\\d \\(not authorised\\), \\d records? waiting$"))
        << refused->out.toStdString();
    const RecordFileLines lines = ReadRecordFile(records);
    ASSERT_EQ(lines.closing.size(), 2);
    for (const QJsonObject& closing : lines.closing) EXPECT_EQ(closing["outcome"], "upgraded");

    Subscriber subscriber(broker, "tarvellon/+/+/attempts", "station:s3cret");
    ASSERT_TRUE(subscriber.ready());
    flashed("station:s3cret");
    EXPECT_TRUE(subscriber.waitFor(
        [](const QList<MqttMessage>& came) { return attempts(came, true).size() >= 8; }, kWaitMs));
    EXPECT_EQ(attempts(subscriber.messages(), true), fileLines(records));
}

}  // namespace
