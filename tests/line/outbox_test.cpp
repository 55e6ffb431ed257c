// The factory's traceability system gets every attempt of the record file through the outbox:
// a line skipped after an outage, sent out of order or changed on the way is an attempt nobody
// can vouch for. A record file rotated away (logrotate, an operator archiving it) must cost the
// broker no line: neither a cursor counted in the old file nor the old file's descriptor may hide
// the lines of the file that now goes by its name.

#include "line/Outbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>

#include "tests/common/WriteFile.h"

namespace {

QByteArray line(int n) {
    return QStringLiteral(R"({"attempt":"a%1","station":"S1"})").arg(n).toUtf8();
}

QByteArrayList lines(int from, int to) {
    QByteArrayList expected;
    for (int n = from; n < to; ++n) expected << line(n);
    return expected;
}

bool append(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(bytes) == bytes.size();
}

bool append(const QString& path, int from, int to) {
    return append(path, lines(from, to).join('\n') + (from < to ? "\n" : ""));
}

// What the outbox hands out, acknowledging each.
QByteArrayList drain(Outbox& outbox) {
    QByteArrayList sent;
    for (const Outbox::Line& next : outbox.next(100)) {
        sent << next.bytes;
        outbox.acknowledged(next.end);
    }
    return sent;
}

QByteArray cursorAt(qint64 offset) {
    return "{\"acknowledged_bytes\":" + QByteArray::number(offset) + "}";
}

// Every line of this station, unchanged and once, in file order, from where the cursor left by an
// earlier run stands when it is one; the others' lines, torn lines and lines of upgrades run on
// their own are not handed out. A last line waits for its line feed.
TEST(Outbox, ThisStationsLinesOnceInFileOrder) {
    QByteArray mixed;
    for (int n = 0; n < 6; ++n) {
        mixed += line(n) + "\n{\"attempt\":\"b\",\"station\":\"S2\"}\n";
        // A line cut short (a full disk).
        if (n == 2) mixed += "{\"station\":\"S1\",\"ser\n";
    }
    mixed += "{\"attempt\":\"c\",\"station\":null}\n";
    const qsizetype third = mixed.indexOf(line(3));
    const struct {
        const char* name;
        QByteArray before, cursor;
        int sentFrom;  // this station's line the outbox starts from
    } rows[] = {
        {"a fresh file: from its first line", mixed, "", 0},
        {"a cursor at a line: from there", mixed, cursorAt(third), 3},
        {"a cursor inside a line: from the start", mixed, cursorAt(third + 5), 0},
        {"no record yet", "", "", 6},
        {"a line longer than any record: passed over", QByteArray(2 << 20, 'x') + '\n' + mixed, "",
         0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir folder;
        const QString path = folder.filePath("records.jsonl");
        const QString cursorPath = Outbox::CursorPath(path, "S1");
        ASSERT_TRUE(WriteFile(path, row.before));
        ASSERT_TRUE(row.cursor.isEmpty() || WriteFile(cursorPath, row.cursor));
        Outbox outbox(path, "S1");
        ASSERT_FALSE(outbox.open());
        QByteArrayList sent = drain(outbox);
        ASSERT_TRUE(append(path, 20, 26));
        ASSERT_TRUE(append(path, "{\"station\":\"S2\"}\n" + line(26).left(10)));
        outbox.readNew(true);
        sent += drain(outbox);
        ASSERT_TRUE(append(path, line(26).mid(10) + '\n'));
        outbox.readNew(true);
        EXPECT_EQ(sent + drain(outbox), lines(row.sentFrom, 6) + lines(20, 27));
        // The cursor keeps what was acknowledged: the whole file.
        ASSERT_TRUE(outbox.saveCursor());
        QFile cursor(cursorPath);
        ASSERT_TRUE(cursor.open(QIODevice::ReadOnly));
        EXPECT_EQ(QJsonDocument::fromJson(cursor.readAll())["acknowledged_bytes"].toInteger(),
                  QFileInfo(path).size());
    }
}

TEST(Outbox, ACursorCountsOnlyInTheFileItWasCountedIn) {
    struct Row {
        const char* name;
        int acknowledged;  // of the first run's three lines, before it ends
        // Where the first run's file goes before the second run ("" nowhere), another file taking
        // its name with lines as long as its, so that the old cursor falls on one of their starts.
        QString movedTo;
        QByteArrayList expected;
    };
    const Row rows[] = {
        {"the same file: the lines past the cursor", 3, "", lines(3, 5)},
        // The broker away when the file was rotated, and the station started again before it
        // came back.
        {"rotated in its folder: its rest, then the new file", 2, "records.jsonl.1",
         lines(2, 3) + lines(5, 10)},
        {"moved out of its folder: the new file, all of it", 3, "old/records.jsonl", lines(5, 10)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir folder;
        const QString path = folder.filePath("records.jsonl");
        ASSERT_TRUE(append(path, 0, 3) && QDir(folder.path()).mkdir("old"));
        {
            Outbox first(path, "S1");
            ASSERT_FALSE(first.open());
            const QList<Outbox::Line> sent = first.next(100);
            ASSERT_EQ(sent.size(), 3);
            for (int n = 0; n < row.acknowledged; ++n) first.acknowledged(sent[n].end);
            ASSERT_TRUE(first.saveCursor());
        }
        if (row.movedTo.isEmpty()) {
            ASSERT_TRUE(append(path, 3, 5));
        } else {
            ASSERT_TRUE(QFile::rename(path, folder.filePath(row.movedTo)));
            ASSERT_TRUE(append(path, 5, 10));
        }
        Outbox second(path, "S1");
        ASSERT_FALSE(second.open());
        QByteArrayList sent = drain(second);
        second.readNew(true);
        EXPECT_EQ(sent + drain(second), row.expected);
    }
}

// An upgrade that opened the file before it was renamed closes its attempt there: the outbox
// keeps to it while any such upgrade runs.
TEST(Outbox, FollowsTheNameOnceTheRenamedFileIsThrough) {
    QTemporaryDir folder;
    const QString path = folder.filePath("records.jsonl");
    ASSERT_TRUE(append(path, 0, 2));
    Outbox outbox(path, "S1");
    ASSERT_FALSE(outbox.open());
    ASSERT_TRUE(QFile::rename(path, path + ".1"));
    ASSERT_TRUE(append(path, 10, 12));

    outbox.readNew(false);
    EXPECT_EQ(drain(outbox), lines(0, 2));
    ASSERT_TRUE(append(path + ".1", 2, 4));
    outbox.readNew(false);
    EXPECT_EQ(drain(outbox), lines(2, 4));
    outbox.readNew(true);
    EXPECT_EQ(drain(outbox), lines(10, 12));
    ASSERT_TRUE(append(path, 12, 13));
    outbox.readNew(true);
    EXPECT_EQ(drain(outbox), lines(12, 13));
}

}  // namespace
