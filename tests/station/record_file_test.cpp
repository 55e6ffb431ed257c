// A station's screen shows the last attempts of a record file that may hold years of them, read
// from its end: a record lost or shown twice at a chunk's edge, a started line or a torn one
// taken for an attempt, would put a wrong history before the operator. And slots are numbered
// by where the ports hang, so an order that puts 1-1.10 before 1-1.9 renumbers a fixture.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "station/Locations.h"
#include "station/RecordFile.h"
#include "tests/common/WriteFile.h"

namespace {

QByteArray closing(int n) {
    return QStringLiteral(R"({"attempt":"a%1","outcome":"upgraded","pad":"%2","serial":"UNIT%1"})")
               .arg(n)
               .arg(QString(n % 97, 'p'))
               .toUtf8() +
           '\n';
}

QByteArray started(const QString& serial) {
    return QString(R"({"attempt":"b","serial":"%1","state":"started"})").arg(serial).toUtf8() +
           '\n';
}

// The serial numbers of `lines`.
QStringList serials(const QList<QJsonObject>& lines) {
    QStringList serials;
    for (const QJsonObject& line : lines) serials << line["serial"].toString();
    return serials;
}

TEST(RecordHistory, LastAttemptsFromTheEnd) {
    const struct {
        const char* name;
        int lines;  // closing lines UNIT1..UNITn, each followed by a started line when odd
        QByteArray tail;
        int asked;
        int first;  // the serial number of the first one returned
        int count;
    } rows[] = {
        {"empty file", 0, "", 5, 0, 0},
        {"across many chunks", 3000, "", 1500, 1501, 1500},
        {"a torn last line", 10, R"({"serial":"UNIT11","outc)", 4, 7, 4},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QByteArray text;
        QStringList expected;
        for (int n = 1; n <= row.lines; ++n) text += closing(n) + (n % 2 ? started("UNIT0") : "");
        for (int n = row.first; n < row.first + row.count; ++n)
            expected << QString("UNIT%1").arg(n);
        QTemporaryDir folder;
        RecordFile records;
        ASSERT_TRUE(WriteFile(folder.filePath("records.jsonl"), text + row.tail) &&
                    records.open(folder.filePath("records.jsonl")));
        EXPECT_EQ(serials(records.lastClosing(row.asked)), expected);
    }
}

// A number of /proc/self/`file` (status: the resident memory in kB, now and at its peak since the
// last reset; io: the bytes read, the work a reader does, counted rather than timed).
qint64 ownFigure(const char* file, const QByteArray& field) {
    QFile figures(QString("/proc/self/") + file);
    figures.open(QIODevice::ReadOnly);
    for (const QByteArray& line : figures.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).simplified().split(' ')[0].toLongLong();
    }
    return -1;
}

// A stretch without a line feed (a copy gone wrong, a disk that filled mid-line) is passed over by
// every reader without being held, and a reader that has passed over part of one does not read
// that part again.
TEST(RecordFileReading, ALongStretchWithoutALineFeedIsPassedOver) {
    QTemporaryDir folder;
    QFile file(folder.filePath("records.jsonl"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QByteArray stretch(24 << 20, 'x');
    ASSERT_TRUE(file.write(closing(1) + closing(2) + stretch + '\n' + closing(3) + stretch) > 0);
    ASSERT_TRUE(file.flush());
    // Each way of reading, by a reader of its own that holds no more than 8 MB meanwhile.
    const auto read = [&](const std::function<QStringList(RecordFile&)>& way) {
        RecordFile records;
        EXPECT_TRUE(records.open(file.fileName()));
        QFile peak("/proc/self/clear_refs");
        EXPECT_TRUE(peak.open(QIODevice::WriteOnly) && peak.write("5") == 1);
        peak.close();
        const qint64 before = ownFigure("status", "VmRSS:");
        const QStringList found = way(records);
        EXPECT_LT(ownFigure("status", "VmHWM:") - before, 8 << 10);
        return found;
    };
    EXPECT_EQ(read([](RecordFile& records) {
                  QList<QJsonObject> lines;
                  records.readNew([&](const QJsonObject& line) { lines << line; });
                  return serials(lines) << QString::number(records.skippedLines());
              }),
              QStringList({"UNIT1", "UNIT2", "UNIT3", "1"}));
    EXPECT_EQ(read([](RecordFile& records) { return serials(records.lastClosing(5)); }),
              QStringList({"UNIT1", "UNIT2", "UNIT3"}));

    RecordFile records;
    ASSERT_TRUE(records.open(file.fileName()));
    records.readNew();
    file.write("\n" + closing(4));
    file.flush();
    const qint64 before = ownFigure("io", "rchar:");
    QList<QJsonObject> found;
    records.readNew([&](const QJsonObject& line) { found << line; });
    EXPECT_LT(ownFigure("io", "rchar:") - before, 1 << 20);
    EXPECT_EQ(serials(found), QStringList{"UNIT4"});
    EXPECT_EQ(records.skippedLines(), 2);
}

// Stations and upgrades append to one file at once, each line in one write after a line feed
// when the file does not end in one. Were the check and the write apart, a writer that looked
// while another's long line was half written would add a line feed of its own after that line:
// an empty line. Lines of 64 KB, written from a torn start, make that moment likely.
TEST(RecordFileAppend, ConcurrentWritersLeaveNoEmptyLine) {
    constexpr int kWriters = 4;
    constexpr int kLines = 100;
    QTemporaryDir folder;
    QFile file(folder.filePath("records.jsonl"));
    ASSERT_TRUE(WriteFile(file.fileName(), R"({"serial":"UNIT1","outc)"));
    std::atomic<int> ready{0};
    std::vector<std::thread> writers;
    std::atomic<int> failed{0};
    for (int writer = 0; writer < kWriters; ++writer) {
        writers.emplace_back([&, writer] {
            RecordFile records;
            if (!records.open(file.fileName())) ++failed;
            for (++ready; ready < kWriters;) std::this_thread::yield();
            for (int line = 0; line < kLines; ++line) {
                const QJsonObject closing{{"attempt", QString("%1-%2").arg(writer).arg(line)},
                                          {"serial", "UNIT1"},
                                          {"outcome", "upgraded"},
                                          {"pad", QString(64 << 10, 'p')}};
                if (!records.append(closing)) ++failed;
            }
        });
    }
    for (std::thread& writer : writers) writer.join();
    EXPECT_EQ(failed, 0);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArrayList lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 1 + kWriters * kLines + 1);
    EXPECT_EQ(lines.first(), R"({"serial":"UNIT1","outc)");
    EXPECT_EQ(lines.last(), "");
    EXPECT_EQ(lines.count(""), 1);
}

TEST(Locations, InTheOrderOfTheirNumbers) {
    const QStringList ordered = {"0x1141", "0x11a0", "0x2000", "1-1", "1-1.2",
                                 "1-1.9",  "1-1.10", "1-2",    "2-1", "10-1"};
    QStringList sorted = ordered;
    std::reverse(sorted.begin(), sorted.end());
    std::stable_sort(sorted.begin(), sorted.end(), LocationBefore);
    EXPECT_EQ(sorted, ordered);
}

}  // namespace
