// The settings file is the program's only memory between runs: a misread line, a lost entry or a
// file left half written means the operator's folder and file are gone at the next start.

#include "support/DataBase.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <tuple>
#include <vector>

namespace {

using Row = std::tuple<QString, QString, QString>;

class DataBaseFile : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.isValid());
        DataBase::Reset();
        DataBase::SetFileName(fileName());
    }
    void TearDown() override { DataBase::Reset(); }

    QString fileName() const { return m_folder.filePath(QStringLiteral("database.ini")); }
    void writeFile(const QByteArray& bytes) const {
        QFile file(fileName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readFile() const {
        QFile file(fileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    static std::vector<Row> rows() {
        std::vector<Row> rows;
        for (int row = 0; row < DataBase::DbCount; ++row) {
            const DataBase::DbRow& entry = DataBase::DbTable[row];
            rows.emplace_back(entry.section, entry.key, entry.value);
        }
        return rows;
    }

    QTemporaryDir m_folder;
};

TEST_F(DataBaseFile, NoFileOrAnUnreadableOneLoadsNothing) {
    DataBase::DbLoad();
    EXPECT_EQ(DataBase::DbGet("file", "path"), "");
    EXPECT_EQ(DataBase::DbCount, 0);
    ASSERT_TRUE(QDir(m_folder.path()).mkdir(QStringLiteral("database.ini")));
    DataBase::DbLoad();
    EXPECT_EQ(DataBase::DbCount, 0);
}

TEST_F(DataBaseFile, LoadsTheFileAsWritten) {
    const struct {
        const char* name;
        QByteArray bytes;
        std::vector<Row> rows;
    } cases[] = {
        {"empty file", "", {}},
        {"two entries",
         "file\r\npath\r\n/fw\r\nfile\r\nfile\r\nnew.frw\r\n",
         {{"file", "path", "/fw"}, {"file", "file", "new.frw"}}},
        {"same pair twice: first place, later value",
         "file\r\npath\r\n/a\r\nfile\r\nfile\r\nx.frw\r\nfile\r\npath\r\n/b\r\n",
         {{"file", "path", "/b"}, {"file", "file", "x.frw"}}},
        {"case and trailing space make other pairs",
         "file\r\npath\r\n1\r\nFile\r\npath\r\n2\r\nfile\r\npath \r\n3\r\n",
         {{"file", "path", "1"}, {"File", "path", "2"}, {"file", "path ", "3"}}},
        {"empty value", "file\r\nfile\r\n\r\n", {{"file", "file", ""}}},
        {"spaces around a value", "file\r\npath\r\n  /fw  \r\n", {{"file", "path", "  /fw  "}}},
        {"CR alone ends a line", "file\rpath\r/fw\r", {{"file", "path", "/fw"}}},
        {"LF alone is a character", "file\r\npa\nth\r\n/fw\n\r\n", {{"file", "pa\nth", "/fw\n"}}},
        {"last line without its break", "file\r\npath\r\n/fw", {{"file", "path", "/fw"}}},
        {"one line after the last entry", "a\r\nb\r\nc\r\nd\r\n", {{"a", "b", "c"}}},
        {"two lines after the last entry", "a\r\nb\r\nc\r\nd\r\ne\r\n", {{"a", "b", "c"}}},
        {"extra empty line at the end", "a\r\nb\r\nc\r\n\r\n", {{"a", "b", "c"}}},
        {"LF line ends only", "file\npath\n/fw\n", {}},
        {"system encoding",
         "file\r\nfile\r\n\xC2\xB5TARVEL.frw\r\n",
         {{"file", "file", QStringLiteral("µTARVEL.frw")}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DataBase::Reset();
        DataBase::SetFileName(fileName());
        writeFile(c.bytes);
        DataBase::DbLoad();
        EXPECT_EQ(rows(), c.rows);
    }
}

TEST_F(DataBaseFile, WritesRowsInOrderThreeLinesEach) {
    writeFile("file\r\npath\r\n/a\r\nfile\r\nfile\r\nx.frw\r\nfile\r\npath\r\n/b\r\n");
    DataBase::DbLoad();
    DataBase::DbSet("file", "path", "  /c  ");
    DataBase::DbSet("file", "drive", "");
    DataBase::DbSet("File", "file", QStringLiteral("µ.frw"));
    DataBase::DbSync();
    EXPECT_EQ(readFile(),
              "file\r\npath\r\n  /c  \r\nfile\r\nfile\r\nx.frw\r\nfile\r\ndrive\r\n\r\n"
              "File\r\nfile\r\n\xC2\xB5.frw\r\n");

    const std::vector<Row> written = rows();
    DataBase::Reset();
    DataBase::SetFileName(fileName());
    DataBase::DbLoad();
    EXPECT_EQ(rows(), written);
    EXPECT_EQ(DataBase::DbFind("file", "drive"), 2);
}

TEST_F(DataBaseFile, SyncRewritesEvenWhenNothingChanged) {
    DataBase::DbSync();
    EXPECT_EQ(readFile(), "");
    DataBase::DbSet("file", "path", "/fw");
    DataBase::DbSync();
    writeFile("changed behind the program's back\r\n");
    DataBase::DbSet("file", "path", "/fw");
    DataBase::DbSync();
    EXPECT_EQ(readFile(), "file\r\npath\r\n/fw\r\n");
}

TEST_F(DataBaseFile, FullTableTakesNoNewPair) {
    QByteArray bytes;
    for (int pair = 0; pair < 2000; ++pair)
        bytes += "s\r\nk" + QByteArray::number(pair) + "\r\nv\r\n";
    writeFile(bytes);
    DataBase::DbLoad();
    ASSERT_EQ(DataBase::DbCount, DataBase::DbRows);
    EXPECT_EQ(DataBase::DbFind("s", "k1023"), 1023);
    EXPECT_EQ(DataBase::DbFind("s", "k1024"), -1);

    DataBase::DbSet("s", "new", "v");
    EXPECT_EQ(DataBase::DbCount, DataBase::DbRows);
    EXPECT_EQ(DataBase::DbGet("s", "new"), "");
    DataBase::DbSet("s", "k7", "changed");
    EXPECT_EQ(DataBase::DbGet("s", "k7"), "changed");

    DataBase::DbSync();
    EXPECT_EQ(readFile().count("\r\n"), 3 * DataBase::DbRows);
}

}  // namespace
