// The settings file is the program's only memory between runs: a misread line, a lost entry or a
// file left half written means the operator's folder and file are gone at the next start.

#include "support/DataBase.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <string>

#include "tests/common/WriteFile.h"

namespace {

class DataBaseFile : public ::testing::Test {
  protected:
    void TearDown() override { DataBase::Reset(); }

    QString fileName() const { return m_folder.filePath(QStringLiteral("database.ini")); }
    std::string readFile() const {
        QFile file(fileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
    }
    // Starts the store afresh on a file holding bytes (no file when null, a folder in its place
    // for "<folder>") and returns its rows, each as "section|key|value;".
    std::string load(const QByteArray& bytes) const {
        QFile::remove(fileName());
        if (bytes == "<folder>")
            QDir().mkdir(fileName());
        else if (!bytes.isNull())
            WriteFile(fileName(), bytes);
        DataBase::Reset();
        DataBase::SetFileName(fileName());
        DataBase::DbLoad();
        QString rows;
        for (int row = 0; row < DataBase::DbCount; ++row) {
            const auto& [section, key, value] = DataBase::DbTable[row];
            rows += section + u'|' + key + u'|' + value + u';';
        }
        return rows.toStdString();
    }

    QTemporaryDir m_folder;
};

TEST_F(DataBaseFile, LoadsTheFileAsWritten) {
    const struct {
        const char* name;
        QByteArray bytes;
        std::string rows;
    } cases[] = {
        {"no file", {}, ""},
        {"same pair twice", "f\r\np\r\n1\r\nf\r\nk\r\n2\r\nf\r\np\r\n3\r\n", "f|p|3;f|k|2;"},
        {"case, space", "f\r\np\r\n1\r\nF\r\np\r\n2\r\nf\r\np \r\n3\r\n", "f|p|1;F|p|2;f|p |3;"},
        {"CR alone, LF inside", "f\rp\n\r1\n\r", "f|p\n|1\n;"},
        {"last line without its break", "f\r\np\r\n1", "f|p|1;"},
        {"two lines after the last entry", "f\r\np\r\n1\r\nf\r\np\r\n", "f|p|1;"},
        {"extra empty line at the end", "f\r\np\r\n1\r\n\r\n", "f|p|1;"},
        {"two byte-order marks", QByteArray("\xEF\xBB\xBF").repeated(2) + "f\r\np\r\n1\r\n",
         "f|p|1;"},
        {"a folder in its place", "<folder>", ""},
    };
    for (const auto& [name, bytes, rows] : cases) EXPECT_EQ(load(bytes), rows) << name;
}

// A pair stored twice is written once; an empty value is an empty line; a value with a carriage
// return is not taken, as it would shift every later entry; the file is rewritten even when nothing
// changed.
TEST_F(DataBaseFile, WritesEachRowOnceInItsPlaceOnEverySync) {
    load("file\r\npath\r\n/a\r\nfile\r\nfile\r\nx.frw\r\nfile\r\npath\r\n/b\r\n");
    DataBase::DbSet("file", "path", "  /c  ");
    DataBase::DbSet("file", "drive", "");
    DataBase::DbSet("File", "file", QStringLiteral("µ.frw"));
    DataBase::DbSet("file", "file", "a\rb.frw");
    DataBase::DbSync();
    const std::string written = readFile();
    EXPECT_EQ(written,
              "file\r\npath\r\n  /c  \r\nfile\r\nfile\r\nx.frw\r\nfile\r\ndrive\r\n\r\n"
              "File\r\nfile\r\n\xC2\xB5.frw\r\n");
    QFile::remove(fileName());
    DataBase::DbSync();
    EXPECT_EQ(readFile(), written);
    EXPECT_EQ(load(QByteArray::fromStdString(written)),
              "file|path|  /c  ;file|file|x.frw;file|drive|;File|file|µ.frw;");
}

TEST_F(DataBaseFile, FullTableTakesNoNewPairButChangesAStoredOne) {
    QByteArray bytes;
    for (int pair = 0; pair < 2000; ++pair)
        bytes += "s\r\nk" + QByteArray::number(pair) + "\r\nv\r\n";
    load(bytes);
    DataBase::DbSet("s", "new", "v");
    DataBase::DbSet("s", "k7", "changed");
    EXPECT_EQ(DataBase::DbCount, DataBase::DbRows);
    EXPECT_EQ(DataBase::DbFind("s", "new"), -1);
    EXPECT_EQ(DataBase::DbGet("s", "k7"), "changed");
}

// A file size limit fails the write as a full disk would; root is no exception.
TEST_F(DataBaseFile, FailedWriteLeavesTheOldFileWhole) {
    load("file\r\npath\r\n/old\r\n");
    DataBase::DbSet("file", "path", QString(1000, u'x'));
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const sighandler_t handler = signal(SIGXFSZ, SIG_IGN);
    const rlimit full{16, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &full);
    DataBase::DbSync();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, handler);
    EXPECT_EQ(readFile(), "file\r\npath\r\n/old\r\n");
}

// An operator's copies beside the file are theirs, even those named like the write's temporary
// file: a start, a write or a write killed at any moment (an operator's kill, a crash) leaves them
// be and the file whole, with the old value or the new one. A write leaves nothing of its own
// behind; a killed one may leave only its temporary file, named after the settings file.
TEST_F(DataBaseFile, WritesLeaveTheFileWholeAndOthersBeside) {
    QDir folder(m_folder.path());
    const QStringList operators = {"DATABASE.INI.Ab12Cd", "database.ini.200101",
                                   "database.ini.Ab12Cd", "database.ini.backup"};
    for (const QString& name : operators)
        ASSERT_TRUE(WriteFile(folder.filePath(name), name.toUtf8()));
    EXPECT_EQ(load("f\r\np\r\n1\r\n"), "f|p|1;");
    DataBase::DbSync();
    QStringList expected = operators + QStringList{"database.ini"};
    expected.sort();
    EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);

    QFile::remove(fileName());
    const auto whole = [](const QByteArray& bytes) {
        const QByteArray value = bytes.mid(12, 65536);
        return bytes == "file\r\npath\r\n" + value + "\r\n" &&
               value == value.left(1).repeated(65536);
    };
    constexpr int kKills = 20;
    for (int kill = 0; kill < kKills; ++kill) {
        QProcess writer;
        writer.start(TEST_DRIVERS_DIR "/settings_writer_driver", {fileName()});
        ASSERT_TRUE(writer.waitForReadyRead(30000));
        writer.kill();
        writer.waitForFinished();
        ASSERT_TRUE(whole(QByteArray::fromStdString(readFile()))) << "after kill " << kill;
    }
    // Beside the file, the operator's copies as they were, and temporary files alone.
    QStringList others = folder.entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : operators + QStringList{"database.ini"}) {
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly) && others.removeOne(name)) << name.toStdString();
        if (operators.contains(name)) {
            EXPECT_EQ(file.readAll(), name.toUtf8());
        }
    }
    EXPECT_LE(others.size(), kKills);
    EXPECT_EQ(others.filter(QRegularExpression("^database\\.ini\\.[A-Za-z0-9]{6}$")), others);
}

}  // namespace
