// A station's screen shows the last attempts of a record file that may hold years of them, read
// from its end: a record lost or shown twice at a chunk's edge, a started line or a torn one
// taken for an attempt, would put a wrong history before the operator. And slots are numbered
// by where the ports hang, so an order that puts 1-1.10 before 1-1.9 renumbers a fixture.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include "station/Locations.h"
#include "station/RecordFile.h"

namespace {

QByteArray closing(int n) {
    return QStringLiteral(R"({"serial":"UNIT%1","outcome":"upgraded","pad":"%2"})")
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
         R"({"serial":"UNIT11","state":"started"})"
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
