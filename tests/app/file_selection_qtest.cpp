// The file the operator picks is the file that gets flashed, and the folder and name must survive
// a restart: a wrong join, a choice not written through, or a stale path after a folder change
// loads the wrong firmware or loses the operator's place.

#include <QTemporaryDir>
#include <QtTest>

#include "app/Form1.h"
#include "support/DataBase.h"

class FileSelectionTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void fileClickSelectsLogsAndStores_data();
    void fileClickSelectsLogsAndStores();
    void folderAndDriveChangesClearTheChoice_data();
    void folderAndDriveChangesClearTheChoice();
    void fileInTheRootFolderDoublesTheSeparator();
    void arrowKeysChooseEachFilePassed();
    void takingTheSelectionAwayChoosesNothing();
    void operatorOpensASubfolder();

  private:
    QString fw() const { return QDir::toNativeSeparators(m_tree.filePath("fw")); }
    QString settings() const;
    QStringList logLines() const;
    void clickFile(const QString& name);

    QTemporaryDir m_tree;
    std::unique_ptr<Form1> m_window;
};

void FileSelectionTest::init() {
    QVERIFY(m_tree.isValid());
    QDir tree(m_tree.path());
    for (const char* folder : {"fw/sub", "other"}) QVERIFY(tree.mkpath(folder));
    for (const char* file : {"fw/a.frw", "fw/b.frw", "fw/c.frw", "fw/notes.txt", "other/d.frw"}) {
        QFile touch(tree.filePath(file));
        QVERIFY(touch.open(QIODevice::WriteOnly));
    }
    DataBase::Reset();
    DataBase::SetFileName(tree.filePath("database.ini"));
    m_window = std::make_unique<Form1>();
    m_window->File->setPattern("*.frw");
    m_window->DirBox->setPath(fw());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void FileSelectionTest::cleanup() {
    m_window.reset();
    DataBase::Reset();
}

QString FileSelectionTest::settings() const {
    QFile file(m_tree.filePath("database.ini"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : "<missing>";
}

QStringList FileSelectionTest::logLines() const {
    QStringList lines = m_window->Logbox->toPlainText().split('\n');
    lines.removeLast();
    return lines;
}

void FileSelectionTest::clickFile(const QString& name) {
    const QList<QListWidgetItem*> found = m_window->File->findItems(name, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    const QRect place = m_window->File->visualItemRect(found.first());
    QTest::mouseClick(m_window->File->viewport(), Qt::LeftButton, {}, place.center());
}

void FileSelectionTest::fileClickSelectsLogsAndStores_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("prompt");
    QTest::newRow("no device") << ""
                               << "Please select a device.";
    QTest::newRow("device selected") << "FT4ZQ1B2"
                                     << "Ready.";
}

void FileSelectionTest::fileClickSelectsLogsAndStores() {
    QFETCH(QString, device);
    QFETCH(QString, prompt);
    m_window->DeviceSerial = device;
    // The prompt as it stood when each log line was finished.
    QStringList promptAtLine;
    connect(m_window->Logbox->document(), &QTextDocument::blockCountChanged, this,
            [&] { promptAtLine << m_window->Status->text(); });

    clickFile("b.frw");

    QCOMPARE(m_window->FirmwarePath, fw() + QDir::separator() + "b.frw");
    QCOMPARE(logLines(), QStringList({"Firmware file selected : b.frw", ""}));
    QCOMPARE(promptAtLine, QStringList({"status will display here", prompt}));
    QCOMPARE(settings(), "file\r\npath\r\n" + fw() + "\r\nfile\r\nfile\r\nb.frw\r\n");
}

void FileSelectionTest::folderAndDriveChangesClearTheChoice_data() {
    QTest::addColumn<bool>("driveChange");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("files");
    QTest::addColumn<QStringList>("trace");
    const QStringList rewrite{"database write", "database sync", "database synced"};
    const QString other = QDir::toNativeSeparators(m_tree.filePath("other"));
    const QString missing = QDir::toNativeSeparators(m_tree.filePath("missing"));
    const QString root = QDir::toNativeSeparators(QDir::rootPath());
    QTest::newRow("folder") << false << other << 1
                            << QStringList{"database entry  0 writen with value " + other} +
                                   rewrite;
    QTest::newRow("folder that does not exist")
        << false << missing << 0
        << QStringList{"database entry  0 writen with value " + missing} + rewrite;
    // The drive holding the test's folder is the root here; the folder tree moves to its root.
    QTest::newRow("drive") << true << root << -1
                           << QStringList{"database entry  0 writen with value " + root} + rewrite +
                                  rewrite;
}

void FileSelectionTest::folderAndDriveChangesClearTheChoice() {
    QFETCH(bool, driveChange);
    QFETCH(QString, folder);
    QFETCH(int, files);
    QFETCH(QStringList, trace);
    m_window->DeviceSerial = "FT4ZQ1B2";
    clickFile("a.frw");
    QCOMPARE(m_window->Status->text(), "Ready.");
    m_window->Logbox->clear();

    DataBase::DbTrace = true;
    if (driveChange) {
        emit m_window->Drive->driveChanged();
    } else {
        m_window->DirBox->setPath(folder);
    }
    DataBase::DbTrace = false;

    QCOMPARE(m_window->FirmwarePath, "");
    QCOMPARE(m_window->Status->text(), "Ready.");
    QCOMPARE(logLines(), trace);
    QCOMPARE(m_window->DirBox->path(), folder);
    QCOMPARE(m_window->File->path(), folder);
    if (files >= 0) QCOMPARE(m_window->File->count(), files);
    QCOMPARE(DataBase::DbGet("file", "path"), folder);
    if (driveChange) {
        QVERIFY(QFileInfo(DataBase::DbGet("file", "drive")).isDir());
        QCOMPARE(DataBase::DbGet("file", "drive"), folder);
    }
    QCOMPARE(settings().count("\r\n"), driveChange ? 9 : 6);
}

// No test writes to the real root folder: the file list shows the test's folder while the folder
// tree stands on the root, which is the folder the join takes.
void FileSelectionTest::fileInTheRootFolderDoublesTheSeparator() {
    m_window->DirBox->setPath(QDir::rootPath());
    m_window->File->setPath(fw());
    clickFile("c.frw");
    QCOMPARE(m_window->FirmwarePath,
             QDir::toNativeSeparators(QDir::rootPath()) + QDir::separator() + "c.frw");
}

void FileSelectionTest::arrowKeysChooseEachFilePassed() {
    clickFile("a.frw");
    m_window->File->setFocus();
    for (const char* name : {"b.frw", "c.frw"}) {
        QTest::keyClick(m_window->File, Qt::Key_Down);
        QCOMPARE(m_window->FirmwarePath, fw() + QDir::separator() + name);
        QVERIFY(settings().endsWith(QStringLiteral("file\r\nfile\r\n%1\r\n").arg(name)));
    }
    QTest::keyClick(m_window->File, Qt::Key_Down);
    QCOMPARE(logLines(),
             QStringList({"Firmware file selected : a.frw", "", "Firmware file selected : b.frw",
                          "", "Firmware file selected : c.frw", ""}));
}

void FileSelectionTest::takingTheSelectionAwayChoosesNothing() {
    clickFile("a.frw");
    const QRect place = m_window->File->visualItemRect(m_window->File->item(0));
    QTest::mouseClick(m_window->File->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      place.center());
    QCOMPARE(m_window->File->fileName(), "");
    QCOMPARE(logLines(), QStringList({"Firmware file selected : a.frw", ""}));
    QCOMPARE(m_window->FirmwarePath, fw() + QDir::separator() + "a.frw");
}

void FileSelectionTest::operatorOpensASubfolder() {
    clickFile("a.frw");
    const QList<QListWidgetItem*> found = m_window->DirBox->findItems("sub", Qt::MatchEndsWith);
    QCOMPARE(found.size(), 1);
    const QRect place = m_window->DirBox->visualItemRect(found.first());
    QTest::mouseClick(m_window->DirBox->viewport(), Qt::LeftButton, {}, place.center());
    QTest::mouseDClick(m_window->DirBox->viewport(), Qt::LeftButton, {}, place.center());
    const QString sub = fw() + QDir::separator() + "sub";
    QCOMPARE(m_window->DirBox->path(), sub);
    QCOMPARE(m_window->File->path(), sub);
    QCOMPARE(m_window->FirmwarePath, "");
    QCOMPARE(DataBase::DbGet("file", "path"), sub);
}

QTEST_MAIN(FileSelectionTest)
#include "file_selection_qtest.moc"
