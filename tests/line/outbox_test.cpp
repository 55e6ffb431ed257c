// A record file rotated away (logrotate, an operator archiving it) must cost the broker no line:
// neither a cursor counted in the old file nor the old file's descriptor may hide the lines of
// the file that now goes by its name.

#include "line/Outbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray line(int n) {
    return QStringLiteral(R"({"attempt":"a%1","station":"S1"})").arg(n).toUtf8();
}

bool append(const QString& path, int from, int to) {
    QFile file(path);
    if (!file.open(QIODevice::Append)) return false;
    for (int n = from; n < to; ++n) file.write(line(n) + '\n');
    return file.error() == QFileDevice::NoError;
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

QByteArrayList lines(int from, int to) {
    QByteArrayList expected;
    for (int n = from; n < to; ++n) expected << line(n);
    return expected;
}

TEST(Outbox, ACursorCountsOnlyInTheFileItWasCountedIn) {
    struct Row {
        const char* name;
        // Where the first run's file goes before the second run ("" nowhere), another file taking
        // its name with lines as long as its, so that the old cursor falls on one of their starts.
        QString movedTo;
        QByteArrayList expected;
    };
    const Row rows[] = {
        {"the same file: the lines past the cursor", "", lines(3, 5)},
        {"rotated in its folder: its rest (none), then the new file", "records.jsonl.1",
         lines(5, 10)},
        {"moved out of its folder: the new file, all of it", "old/records.jsonl", lines(5, 10)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir folder;
        const QString path = folder.filePath("records.jsonl");
        ASSERT_TRUE(append(path, 0, 3) && QDir(folder.path()).mkdir("old"));
        {
            Outbox first(path, "S1");
            ASSERT_FALSE(first.open());
            ASSERT_EQ(drain(first), lines(0, 3));
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

// The broker away when the file was rotated, and the station started again before it came back:
// the rotated file's rest still goes, before the new file.
TEST(Outbox, ARotatedFilesRestGoesFirstAfterARestart) {
    QTemporaryDir folder;
    const QString path = folder.filePath("records.jsonl");
    ASSERT_TRUE(append(path, 0, 4));
    {
        Outbox first(path, "S1");
        ASSERT_FALSE(first.open());
        const QList<Outbox::Line> sent = first.next(2);
        ASSERT_EQ(sent.size(), 2);
        first.acknowledged(sent[0].end);
        first.acknowledged(sent[1].end);
        ASSERT_TRUE(first.saveCursor());
    }
    ASSERT_TRUE(QFile::rename(path, path + ".1"));
    ASSERT_TRUE(append(path, 10, 12));
    Outbox second(path, "S1");
    ASSERT_FALSE(second.open());
    EXPECT_EQ(drain(second), lines(2, 4));
    second.readNew(true);
    EXPECT_EQ(drain(second), lines(10, 12));
}

}  // namespace
