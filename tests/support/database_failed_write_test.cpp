// A disk that fills up while the settings file is being replaced must leave the old file whole:
// otherwise the operator's remembered folder and file are lost at the next start.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "support/DataBase.h"

namespace {

// Holds the files this process writes to a few bytes, as a full disk would; root is no exception.
class FullDisk {
  public:
    FullDisk() {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit small = m_saved;
        small.rlim_cur = 16;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FullDisk() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        signal(SIGXFSZ, m_savedHandler);
    }

  private:
    rlimit m_saved{};
    sighandler_t m_savedHandler = nullptr;
};

TEST(DataBaseFailedWrite, FullDiskLeavesTheOldFileWhole) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString fileName = folder.filePath(QStringLiteral("database.ini"));
    const QByteArray old = "file\r\npath\r\n/old\r\n";
    {
        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    DataBase::Reset();
    DataBase::SetFileName(fileName);
    DataBase::DbLoad();
    DataBase::DbSet("file", "path", QString(1000, u'x'));
    {
        FullDisk full;
        DataBase::DbSync();
    }
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{"database.ini"});
    DataBase::Reset();
}

}  // namespace
