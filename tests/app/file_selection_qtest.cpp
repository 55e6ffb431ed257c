// The file the operator picks is the file that gets flashed, and the folder and name must survive
// a restart: a wrong join, a choice not written through, or a stale path after a folder change
// loads the wrong firmware or loses the operator's place.

#include <QTemporaryDir>
#include <QtTest>
#include <optional>

#include "app/DeviceOperationGuard.h"
#include "app/Form1.h"
#include "support/DataBase.h"

class FileSelectionTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_tree;
    std::unique_ptr<Form1> m_window;

    QString path(const char* name) const { return QDir::toNativeSeparators(m_tree.filePath(name)); }
    QString settings() const {
        QFile file(m_tree.filePath("database.ini"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : "<missing>";
    }
    QString log() const { return m_window->Logbox->toPlainText(); }
    static void click(QListWidget* list, const QString& name, bool twice = false) {
        const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchEndsWith);
        QCOMPARE(found.size(), 1);
        const QPoint place = list->visualItemRect(found.first()).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place);
        if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, place);
    }

  private slots:
    void init() {
        QDir tree(m_tree.path());
        QVERIFY(tree.mkpath("fw/sub") && tree.mkpath("other"));
        for (const char* file : {"fw/a.frw", "fw/b.frw", "fw/c.frw", "fw/notes.txt", "other/d.frw"})
            QVERIFY(QFile(tree.filePath(file)).open(QIODevice::WriteOnly));
        DataBase::Reset();
        DataBase::SetFileName(tree.filePath("database.ini"));
        m_window = std::make_unique<Form1>();
        m_window->File->setPattern("*.frw");
        m_window->DirBox->setPath(path("fw"));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup() {
        m_window.reset();
        DataBase::Reset();
    }

    // For a root folder the file list is moved back to the test's folder, so that no test writes
    // to the real root; the join takes the folder tree's path, which doubles the separator.
    void fileClickSelectsLogsAndStores_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<bool>("deviceBusy");
        const QString root = QDir::toNativeSeparators(QDir::rootPath());
        const QString untouched = QStringLiteral("status will display here");
        // clang-format off
        QTest::newRow("no device") << "" << path("fw") << "Please select a device." << false;
        QTest::newRow("device selected") << "FT4ZQ1B2" << path("fw") << "Ready." << false;
        QTest::newRow("root folder") << "" << root << "Please select a device." << false;
        QTest::newRow("during a device operation") << "FT4ZQ1B2" << path("fw") << untouched << true;
        // clang-format on
    }

    void fileClickSelectsLogsAndStores() {
        QFETCH(QString, device);
        QFETCH(QString, folder);
        QFETCH(QString, prompt);
        QFETCH(bool, deviceBusy);
        std::optional<DeviceOperationGuard> operation;
        if (deviceBusy) operation.emplace(std::initializer_list<QWidget*>{});
        m_window->DeviceSerial = device;
        m_window->DirBox->setPath(folder);
        m_window->File->setPath(path("fw"));
        // The prompt as it stood when each log line was finished.
        QStringList promptAtLine;
        connect(m_window->Logbox->document(), &QTextDocument::blockCountChanged, this,
                [&] { promptAtLine << m_window->Status->text(); });
        click(m_window->File, "b.frw");
        QCOMPARE(m_window->FirmwarePath, folder + QDir::separator() + "b.frw");
        QCOMPARE(log(), "Firmware file selected : b.frw\n\n");
        QCOMPARE(promptAtLine, QStringList({"status will display here", prompt}));
        QCOMPARE(settings(), "file\r\npath\r\n" + folder + "\r\nfile\r\nfile\r\nb.frw\r\n");
    }

    // The row's name says how the operator moves; the drive holding the test's folder is the root.
    void folderAndDriveChangesClearTheChoice_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("files");
        QTest::newRow("folder") << path("other") << 1;
        QTest::newRow("folder that does not exist") << path("missing") << 0;
        QTest::newRow("subfolder opened") << path("fw/sub") << 0;
        QTest::newRow("drive") << QDir::toNativeSeparators(QDir::rootPath()) << -1;
    }

    void folderAndDriveChangesClearTheChoice() {
        QFETCH(QString, folder);
        QFETCH(int, files);
        const bool drive = QTest::currentDataTag() == QByteArray("drive");
        m_window->DeviceSerial = "FT4ZQ1B2";
        click(m_window->File, "a.frw");
        m_window->Logbox->clear();
        DataBase::DbTrace = true;
        if (drive)
            emit m_window->Drive->driveChanged();
        else if (folder.endsWith("sub"))
            click(m_window->DirBox, "sub", true);
        else
            m_window->DirBox->setPath(folder);
        DataBase::DbTrace = false;
        QCOMPARE(m_window->FirmwarePath, "");
        QCOMPARE(m_window->Status->text(), "Ready.");
        const QString sync = "database write\ndatabase sync\ndatabase synced\n";
        QCOMPARE(log(), "database entry  0 writen with value " + folder + "\n" + sync +
                            (drive ? sync : ""));
        QCOMPARE(settings(), "file\r\npath\r\n" + folder + "\r\nfile\r\nfile\r\na.frw\r\n" +
                                 (drive ? "file\r\ndrive\r\n" + folder + "\r\n" : ""));
        if (files >= 0) QCOMPARE(m_window->File->count(), files);
    }

    void arrowKeysChooseEachFilePassed() {
        click(m_window->File, "a.frw");
        m_window->File->setFocus();
        for (const char* name : {"b.frw", "c.frw"}) {
            QTest::keyClick(m_window->File, Qt::Key_Down);
            QCOMPARE(m_window->FirmwarePath, path("fw") + QDir::separator() + name);
            QVERIFY(settings().endsWith(QStringLiteral("file\r\nfile\r\n%1\r\n").arg(name)));
        }
        QTest::keyClick(m_window->File, Qt::Key_Down);
        QCOMPARE(log(),
                 "Firmware file selected : a.frw\n\nFirmware file selected : b.frw\n\n"
                 "Firmware file selected : c.frw\n\n");
    }
};

QTEST_MAIN(FileSelectionTest)
#include "file_selection_qtest.moc"
