// The store's trace is the only view of what it did; its lines must come verbatim and in order,
// and none at all while the trace is off.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <functional>

#include "support/DataBase.h"
#include "support/Logging.h"

namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "database_trace_test";
    static char* argv[] = {name, nullptr};
    static QApplication instance(argc, argv);
    return instance;
}

TEST(DataBaseTrace, LinesInOrder) {
    application();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString fileName = folder.filePath(QStringLiteral("database.ini"));
    const auto writeFile = [&](const QByteArray& bytes) {
        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };

    const struct {
        const char* name;
        bool trace;
        std::function<void()> run;
        QStringList lines;
    } cases[] = {
        {"load without a file", true, [] { DataBase::DbLoad(); }, {"Database not found !"}},
        {"load, a pair repeated",
         true,
         [&] {
             writeFile("file\r\npath\r\n/a\r\nfile\r\npath\r\n/b\r\n");
             DataBase::DbLoad();
         },
         {"database write", "db load file path /a", "database entry  0 writen with value /b",
          "database write", "db load file path /b", "Database read ok."}},
        {"set a new pair, then replace row 1",
         true,
         [] {
             DataBase::DbSet("file", "path", "/a");
             DataBase::DbSet("file", "file", "x.frw");
             DataBase::DbSet("file", "file", " y.frw");
         },
         {"database write", "database write", "database entry  1 writen with value  y.frw",
          "database write"}},
        {"sync", true, [] { DataBase::DbSync(); }, {"database sync", "database synced"}},
        {"trace off",
         false,
         [&] {
             DataBase::DbLoad();
             DataBase::DbSet("file", "path", "/a");
             DataBase::DbSet("file", "path", "/b");
             DataBase::DbSync();
         },
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(fileName);
        DataBase::Reset();
        DataBase::SetFileName(fileName);
        DataBase::DbTrace = c.trace;
        QPlainTextEdit pane;
        Logging::AttachPane(&pane);
        c.run();
        QStringList lines = pane.toPlainText().split(u'\n');
        lines.removeLast();
        EXPECT_EQ(lines, c.lines);
    }
    Logging::AttachPane(nullptr);
    DataBase::Reset();
}

}  // namespace
