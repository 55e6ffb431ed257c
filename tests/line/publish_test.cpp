// The factory's traceability system gets every attempt from the broker, or it gets nothing at
// all: a line of the record file skipped after an outage, sent out of order, or changed on the
// way is an attempt nobody can vouch for. Each case runs the station's publishing as a process
// (tests/line/line_publish_driver.cpp) against Debian's mosquitto, appends lines to the record
// file as the upgrades would, and reads what an independent subscriber got.

#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include "line/Outbox.h"
#include "tests/common/Mosquitto.h"
#include "tests/common/WatchedProcess.h"

namespace {

const QString Driver = TEST_DRIVERS_DIR "/line_publish_driver";
constexpr int kWaitMs = 30000;

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
QByteArrayList linesOf(const QByteArray& text, const QString& station) {
    QByteArrayList lines;
    for (const QByteArray& line : text.split('\n')) {
        if (QJsonDocument::fromJson(line).object()["station"] == station) lines << line;
    }
    return lines;
}

QByteArrayList payloads(const QList<MqttMessage>& messages, const QString& topic) {
    QByteArrayList found;
    for (const MqttMessage& message : messages) {
        if (message.topic == topic) found << message.payload;
    }
    return found;
}

// Repeats dropped, as a consumer drops them, keeping the first.
QByteArrayList withoutRepeats(const QByteArrayList& lines) {
    QByteArrayList kept;
    QSet<QByteArray> seen;
    for (const QByteArray& line : lines) {
        if (!seen.contains(line)) kept << line;
        seen.insert(line);
    }
    return kept;
}

// The station's publishing, its link's changes read as they come.
class Publisher : public WatchedProcess {
  public:
    Publisher(const Mosquitto& broker, const QString& records, const QStringList& extra = {}) {
        process.start(Driver, QStringList{records, "--publish", broker.url(), "--line", "L1",
                                          "--station", "S1"} +
                                  extra);
    }
    // Waits until a line of its output is `pattern` (`last`: its last lines are).
    bool says(const QString& pattern, bool last = false) {
        return WatchedProcess::says("^" + pattern + (last ? "\n\\z" : "$"), kWaitMs);
    }
};

const QString Attempts = "tarvellon/L1/S1/attempts";

// before: the record file at the start; cursor: the cursor file's text ("" none, "AT n" the
// offset of this station's line n, "END" past the file); sentFirst: this station's lines that
// go out before those appended meanwhile (from the first unless said).
struct OrderRow {
    const char* name;
    QByteArray before;
    QByteArray cursor;
    int sentFrom;
};

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

const OrderRow orderRows[] = {
    {"a fresh file: from its first line", mixedFile(), "", 0},
    {"a cursor at a line: from there", mixedFile(), "AT 3", 3},
    {"a cursor past the end: another file, from its start", mixedFile(), "END", 0},
    {"a cursor inside a line: from the start", mixedFile(), "AT 3 +5", 0},
    {"a cursor that is not one: from the start", mixedFile(), "garbage", 0},
    {"no record yet", "", "", 0},
    {"a line longer than any record: passed over", longLineFile(), "", 0},
};

class Order : public testing::TestWithParam<OrderRow> {};

// Every line of this station, unchanged and once, in file order; the others' lines, torn lines
// and lines of upgrades run on their own are not sent.
TEST_P(Order, ThisStationsLinesInFileOrder) {
    const OrderRow& row = GetParam();
    Mosquitto broker;
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(broker, "tarvellon/#");
    ASSERT_TRUE(subscriber.ready());
    QTemporaryDir folder;
    const QString records = folder.filePath("records.jsonl");
    ASSERT_TRUE(append(records, row.before));
    const QByteArrayList before = linesOf(row.before, "S1");
    if (!row.cursor.isEmpty()) {
        QByteArray cursor = row.cursor;
        if (cursor.startsWith("AT ")) {
            const QList<QByteArray> words = cursor.split(' ');
            qsizetype at = row.before.indexOf(before[words[1].toInt()]);
            if (words.size() > 2) at += words[2].toInt();
            cursor = "{\"acknowledged_bytes\":" + QByteArray::number(at) + "}";
        } else if (cursor == "END") {
            cursor = "{\"acknowledged_bytes\":" + QByteArray::number(row.before.size() + 100) + "}";
        }
        QFile file(Outbox::CursorPath(records, "S1"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(cursor) > 0);
    }
    Publisher publisher(broker, records);
    ASSERT_TRUE(publisher.says("connected"));
    const QByteArrayList first = before.mid(row.sentFrom);
    ASSERT_TRUE(subscriber.waitFor(
        [&](const QList<MqttMessage>& got) {
            return payloads(got, Attempts).size() >= first.size();
        },
        kWaitMs));
    // As the upgrades append: each in one write, the last line in two.
    QByteArrayList appended;
    for (int n = 20; n < 26; ++n) {
        appended << recordLine(n, "S1");
        ASSERT_TRUE(append(records, appended.last() + '\n'));
    }
    ASSERT_TRUE(append(records, recordLine(27, "S2") + '\n'));
    appended << recordLine(26, "S1");
    ASSERT_TRUE(append(records, appended.last().left(10)));
    ASSERT_TRUE(subscriber.waitFor(
        [&](const QList<MqttMessage>&) {
            return payloads(subscriber.messages(), Attempts).size() >= first.size() + 6;
        },
        kWaitMs));
    ASSERT_TRUE(append(records, appended.last().mid(10) + '\n'));
    ASSERT_TRUE(subscriber.waitFor(
        [&](const QList<MqttMessage>& got) {
            return payloads(got, Attempts).size() >= first.size() + appended.size();
        },
        kWaitMs));
    publisher.kill(SIGTERM);
    EXPECT_EQ(publisher.process.exitCode(), 0);
    EXPECT_EQ(payloads(subscriber.messages(), Attempts), first + appended);
    // The cursor kept what the broker acknowledged: the whole file.
    QFile cursor(Outbox::CursorPath(records, "S1"));
    ASSERT_TRUE(cursor.open(QIODevice::ReadOnly));
    EXPECT_EQ(QJsonDocument::fromJson(cursor.readAll())["acknowledged_bytes"].toInteger(),
              QFileInfo(records).size());
}

INSTANTIATE_TEST_SUITE_P(Rows, Order, testing::ValuesIn(orderRows),
                         [](const auto& info) { return std::to_string(info.index); });

// The station killed in the middle of a backlog and started again, then the broker restarted
// while the units go on being recorded: afterwards the subscriber holds every line of the file,
// first seen in file order, repeats allowed and none missing; and while the broker was away the
// station said so, with how many records wait.
TEST(Outage, NothingMissingAfterAKilledStationAndARestartedBroker) {
    Mosquitto broker;
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(broker, "tarvellon/+/+/attempts");
    ASSERT_TRUE(subscriber.ready());
    QTemporaryDir folder;
    const QString records = folder.filePath("records.jsonl");
    QByteArray backlog;
    for (int n = 0; n < 20000; ++n) backlog += recordLine(n, "S1") + '\n';
    ASSERT_TRUE(append(records, backlog));
    const auto got = [&](int count) {
        return subscriber.waitFor(
            [&](const QList<MqttMessage>& messages) {
                return withoutRepeats(payloads(messages, Attempts)).size() >= count;
            },
            kWaitMs);
    };
    {
        Publisher killed(broker, records);
        ASSERT_TRUE(got(1));
        killed.kill(SIGKILL);
    }
    Publisher publisher(broker, records);
    ASSERT_TRUE(got(20000));

    broker.stop();
    ASSERT_TRUE(publisher.says("down: the connection was lost"))
        << publisher.output().toStdString();
    for (int n = 20000; n < 20006; ++n) ASSERT_TRUE(append(records, recordLine(n, "S1") + '\n'));
    EXPECT_TRUE(publisher.says(
        "link: line link down since \\d\\d:\\d\\d \\(connection refused\\), 6 records waiting"))
        << publisher.output().toStdString();
    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(got(20006));
    // Cleared once the backlog is through.
    EXPECT_TRUE(publisher.says("connected\nlink: ", true)) << publisher.output().toStdString();

    QFile file(records);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArrayList lines = linesOf(file.readAll(), "S1");
    EXPECT_EQ(withoutRepeats(payloads(subscriber.messages(), Attempts)), lines);
}

}  // namespace
