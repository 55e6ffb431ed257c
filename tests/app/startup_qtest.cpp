// Start-up decides what the technician sees before the first click: the folder and image of the
// last session, the attached devices and the prompt. Restoring a folder that has gone, or a file
// that was deleted, must fall back to a clean state rather than to a path that cannot be used, and
// a start that changes nothing writes nothing.

#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include "app/Form1.h"
#include "support/DataBase.h"
#include "tests/common/SimBridge.h"

class StartupTest : public QObject {
    Q_OBJECT
  private slots:
    // Settings: the lines of database.ini, none when empty. <i> stands for a folder of images
    // holding kept.frw, <p> for the program's folder, <r> for a file in the root folder, whose
    // path already ends in its separator. Seen: the folder of the tree and of the file list, the
    // filter, the current file, FirmwarePath, the prompt, then database.ini afterwards.
    void restoresWhatWasRemembered_data() {
        QTest::addColumn<QString>("startedIn");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("seen");
        const QString none = "Please select a file and device.", device = "Please select a device.";
        // clang-format off
        QTest::newRow("first run") << "<p>" << "" << "<p> <p> *.frw ||" + none + "|<missing>";
        QTest::newRow("first run from elsewhere") << "<i>" << "" << "<p> <p> *.frw ||" + none + "|file path <p>";
        QTest::newRow("folder and file") << "<p>" << "file path <i> file file kept.frw" << "<i> <i> *.frw kept.frw|<i>/kept.frw|" + device + "|file path <i> file file kept.frw";
        QTest::newRow("file deleted since") << "<p>" << "file path <i> file file gone.frw" << "<i> <i> *.frw ||" + none + "|file path <i> file file gone.frw";
        QTest::newRow("folder without file") << "<p>" << "file path <i>" << "<i> <i> *.frw ||" + none + "|file path <i>";
        QTest::newRow("root folder") << "<p>" << "file path / file file <r>" << "/ / *.frw <r>|//<r>|" + device + "|file path / file file <r>";
        QTest::newRow("folder gone since") << "<p>" << "file path <i>/gone file file kept.frw" << "<p> <p> *.frw ||" + none + "|file path <i>/gone file file kept.frw";
        // clang-format on
    }
    void restoresWhatWasRemembered() {
        QFETCH(QString, startedIn);
        QFETCH(QString, settings);
        QFETCH(QString, seen);
        QTemporaryDir folder;
        QTemporaryFile inRoot(QDir::rootPath() + "tarvellon-startup-XXXXXX.frw");
        if (settings.contains("<r>") && !inRoot.open()) QSKIP("the root folder is read-only");
        const QString images = folder.filePath("images");
        QVERIFY(QDir().mkpath(images) && QFile(images + "/kept.frw").open(QIODevice::WriteOnly));
        const auto resolve = [&](QString text) {
            return text.replace("<i>", images)
                .replace("<p>", QCoreApplication::applicationDirPath())
                .replace("<r>", QFileInfo(inRoot.fileName()).fileName());
        };
        QFile file(folder.filePath("database.ini"));
        if (!settings.isEmpty() && file.open(QIODevice::WriteOnly))
            file.write(resolve(settings).replace(' ', "\r\n").toLocal8Bit() + "\r\n");
        file.close();
        DataBase::Reset();
        DataBase::SetFileName(file.fileName());
        QVERIFY(QDir::setCurrent(resolve(startedIn)));
        SimBridge bridge(QString{});
        QVERIFY(bridge.ready());

        Form1 window;
        window.Form_Load();

        const QStringList shown{window.DirBox->path(), window.File->path(), window.File->pattern(),
                                window.File->fileName()};
        QString written = file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>";
        QCOMPARE(QStringList({shown.join(' '), window.FirmwarePath, window.Status->text(),
                              written.replace("\r\n", " ").trimmed()})
                     .join('|'),
                 resolve(seen));
        QCOMPARE(window.DevicesList->item(0)->text() + window.Logbox->toPlainText(),
                 "No device found.");
        QCOMPARE(window.DevicesList->count(), 1);
        QVERIFY(bridge.writes().isEmpty());
        DataBase::Reset();
    }
};

QTEST_MAIN(StartupTest)
#include "startup_qtest.moc"
