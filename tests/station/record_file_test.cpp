// A station's screen shows the last attempts of a record file that may hold years of them, read
// from its end: a record lost or shown twice at a chunk's edge, a started line or a torn one
// taken for an attempt, would put a wrong history before the operator. And slots are numbered
// by where the ports hang, so an order that puts 1-1.10 before 1-1.9 renumbers a fixture.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "station/Locations.h"
#include "station/RecordFile.h"

namespace {

QByteArray closing(int n) {
    return QStringLiteral(R"({"attempt":"a%1","outcome":"upgraded","pad":"%2","serial":"UNIT%1"})")
               .arg(n)
               .arg(QString(n % 97, 'p'))
               .toUtf8() +
           '\n';
}

TEST(RecordHistory, LastAttemptsFromTheEnd) {
    struct Row {
        const char* name;
        int lines;  // closing lines UNIT1..UNITn, each followed by a started line when odd
        QByteArray tail;
        int asked;
        int first;  // the serial number of the first one returned; 0 for none
        int count;
    };
    const Row rows[] = {
        {"empty file", 0, "", 5, 0, 0},
        {"fewer than asked", 3, "", 5, 1, 3},
        {"across many chunks", 3000, "", 1500, 1501, 1500},
        {"a torn last line", 10, R"({"serial":"UNIT11","outc)", 4, 7, 4},
        {"a last line of a started attempt", 10,
         R"({"attempt":"b","serial":"UNIT11","state":"started"})"
         "\n",
         2, 9, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir folder;
        QFile file(folder.filePath("records.jsonl"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int n = 1; n <= row.lines; ++n) {
            file.write(closing(n));
            if (n % 2)
                file.write(R"({"serial":"UNIT0","state":"started","attempt":"a"})"
                           "\n");
        }
        file.write(row.tail);
        file.close();
        RecordFile records;
        ASSERT_TRUE(records.open(file.fileName()));
        const QList<QJsonObject> last = records.lastClosing(row.asked);
        ASSERT_EQ(last.size(), row.count);
        for (int i = 0; i < last.size(); ++i) {
            EXPECT_EQ(last[i]["serial"].toString(), QString("UNIT%1").arg(row.first + i));
        }
    }
}

// The resident memory of this process at its peak since the last reset, and now; the bytes it
// has read: the work a reader does, counted rather than timed.
qint64 memoryKb(const char* field) {
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ')[0].toLongLong();
    }
    return -1;
}
void resetPeakMemory() {
    QFile peak("/proc/self/clear_refs");
    ASSERT_TRUE(peak.open(QIODevice::WriteOnly) && peak.write("5") == 1);
}
qint64 bytesRead() {
    QFile io("/proc/self/io");
    io.open(QIODevice::ReadOnly);
    return io.readLine().mid(qstrlen("rchar:")).trimmed().toLongLong();
}

// A stretch without a line feed (a copy gone wrong, a disk that filled mid-line) is passed over by
// every reader without being held, and a reader that has passed over part of one does not read
// that part again.
TEST(RecordFileReading, ALongStretchWithoutALineFeedIsPassedOver) {
    constexpr qint64 kStretch = 24 << 20;
    QTemporaryDir folder;
    QFile file(folder.filePath("records.jsonl"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const auto stretch = [&] {
        const QByteArray block(1 << 20, 'x');
        for (qint64 written = 0; written < kStretch; written += block.size()) file.write(block);
    };
    file.write(closing(1) + closing(2));
    stretch();
    file.write("\n" + closing(3));
    stretch();
    file.flush();
    const auto serials = [](const QList<QJsonObject>& lines) {
        QStringList serials;
        for (const QJsonObject& line : lines) serials << line["serial"].toString();
        return serials;
    };
    struct Row {
        const char* name;
        std::function<QStringList(RecordFile&)> read;
        QStringList found;
    };
    const Row rows[] = {
        {"forwards",
         [&](RecordFile& records) {
             QList<QJsonObject> lines;
             records.readNew([&](const QJsonObject& line) { lines << line; });
             return serials(lines) << QString::number(records.skippedLines());
         },
         {"UNIT1", "UNIT2", "UNIT3", "1"}},
        {"backwards from the end",
         [&](RecordFile& records) { return serials(records.lastClosing(5)); },
         {"UNIT1", "UNIT2", "UNIT3"}},
        {"for one serial",
         [](RecordFile& records) {
             return QStringList{QString::number(records.attemptsOn("UNIT3"))};
         },
         {"1"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RecordFile records;
        ASSERT_TRUE(records.open(file.fileName()));
        resetPeakMemory();
        const qint64 before = memoryKb("VmRSS:");
        EXPECT_EQ(row.read(records), row.found);
        EXPECT_LT(memoryKb("VmHWM:") - before, 8 << 10);
    }

    RecordFile records;
    ASSERT_TRUE(records.open(file.fileName()));
    records.readNew();
    file.write("\n" + closing(4));
    file.flush();
    const qint64 before = bytesRead();
    QStringList found;
    records.readNew([&](const QJsonObject& line) { found << line["serial"].toString(); });
    EXPECT_LT(bytesRead() - before, 1 << 20);
    EXPECT_EQ(found, QStringList{"UNIT4"});
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
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(R"({"serial":"UNIT1","outc)") > 0);
    file.close();
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
    for (int i = 0; i < ordered.size(); ++i) {
        for (int j = 0; j < ordered.size(); ++j) {
            EXPECT_EQ(LocationBefore(ordered[i], ordered[j]), i < j)
                << ordered[i].toStdString() << " " << ordered[j].toStdString();
        }
    }
}

}  // namespace
