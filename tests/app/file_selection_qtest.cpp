// The file the operator picks is the file that gets flashed, and the folder and name must survive
// a restart: a wrong join, a choice not written through, a stale path after a folder change, or a
// drive chooser that disagrees with the tree loads the wrong firmware or loses the operator's
// place.

#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>
#include <optional>

#include "app/DeviceOperationGuard.h"
#include "app/Form1.h"
#include "support/DataBase.h"
#include "support/Logging.h"

class FileSelectionTest : public QObject {
    Q_OBJECT
  private slots:
    // The window starts on <t>/fw, its file list on "*.frw"; <t>/usb is a drive mounted below "/".
    // "device" selects one whose serial number is blanks, which counts as a selection.
    // Seen: the log with the store's trace, each change of the prompt where it happened, then
    // FirmwarePath, the chooser's drive, the tree's folder, the files listed, the settings file.
    void operatorSees_data() {
        QTest::addColumn<QString>("gestures");
        QTest::addColumn<QString>("seen");
        const QString sync = "database write|database sync|database synced|";
        const auto path = [&](const QString& folder) {
            return "database entry  0 writen with value " + folder + "|" + sync;
        };
        // A file chosen "again" replaces the stored name, the first adds it.
        const auto chose = [&](const QString& file, bool again = false,
                               const QString& prompt = {}) {
            return "Firmware file selected : " + file +
                   (prompt.isEmpty() ? "" : "|prompt: " + prompt) + "||" +
                   (again ? "database entry  1 writen with value " + file + "|" : "") + sync;
        };
        const QString fw = "/ <t>/fw 3|file path <t>/fw file file ";
        // clang-format off
        QTest::newRow("click") << "click a.frw" << chose("a.frw", false, "Please select a device.") + "<t>/fw/a.frw|" + fw + "a.frw";
        QTest::newRow("device selected") << "device click a.frw" << chose("a.frw", false, "Ready.") + "<t>/fw/a.frw|" + fw + "a.frw";
        QTest::newRow("during a device operation") << "device busy click a.frw" << chose("a.frw") + "<t>/fw/a.frw|" + fw + "a.frw";
        QTest::newRow("double-click") << "device double a.frw" << chose("a.frw", false, "Ready.") + "<t>/fw/a.frw|" + fw + "a.frw";
        QTest::newRow("drag onto another file") << "busy click b.frw drag a.frw c.frw" << chose("b.frw") + chose("c.frw", true) + "<t>/fw/c.frw|" + fw + "c.frw";
        QTest::newRow("control-click keeps the choice") << "busy click b.frw ctrl b.frw" << chose("b.frw") + chose("b.frw", true) + "<t>/fw/b.frw|" + fw + "b.frw";
        QTest::newRow("arrow keys") << "busy click a.frw down down down" << chose("a.frw") + chose("b.frw", true) + chose("c.frw", true) + "<t>/fw/c.frw|" + fw + "c.frw";
        QTest::newRow("root folder") << "busy root click a.frw" << path("/") + chose("a.frw") + "//a.frw|/ / 3|file path / file file a.frw";
        QTest::newRow("folder") << "device click a.frw folder <t>/other" << chose("a.frw", false, "Ready.") + path("<t>/other") + "|/ <t>/other 1|file path <t>/other file file a.frw";
        QTest::newRow("folder that does not exist") << "folder <t>/gone" << path("<t>/gone") + "|/ <t>/gone 0|file path <t>/gone";
        QTest::newRow("subfolder opened") << "open sub" << path("<t>/fw/sub") + "|/ <t>/fw/sub 0|file path <t>/fw/sub";
        QTest::newRow("drive") << "busy click a.frw drive <t>/usb" << chose("a.frw") + path("<t>/usb") + sync + "|<t>/usb <t>/usb 0|file path <t>/usb file file a.frw file drive <t>/usb";
        QTest::newRow("mounted drive opened in the tree") << "folder <t> open usb" << path("<t>") + path("<t>/usb") + "|<t>/usb <t>/usb 0|file path <t>/usb";
        QTest::newRow("and back up") << "folder <t>/usb up" << path("<t>/usb") + path("<t>") + "|/ <t> 0|file path <t>";
        QTest::newRow("first drive chosen again") << "folder <t>/usb drive /" << path("<t>/usb") + path("/") + sync + "|/ / 0|file path / file drive /";
        QTest::newRow("wheel over the closed chooser") << "wheel" << "|/ <t>/fw 3|file path <t>/fw";
        QTest::newRow("wheel with the focus") << "focus wheel" << path("<t>/usb") + sync + "|<t>/usb <t>/usb 0|file path <t>/usb file drive <t>/usb";
        // clang-format on
    }
    void operatorSees() {
        QFETCH(QString, gestures);
        QFETCH(QString, seen);
        QTemporaryDir tree;
        const QString t = tree.path();
        for (const char* folder : {"fw/sub", "other", "usb"}) QVERIFY(QDir(t).mkpath(folder));
        for (const char* file : {"fw/a.frw", "fw/b.frw", "fw/c.frw", "fw/notes.txt", "other/d.frw"})
            QVERIFY(QFile(tree.filePath(file)).open(QIODevice::WriteOnly));
        DriveChooser::SetRootSource([t] { return QStringList{"/", t + "/usb"}; });
        DataBase::Reset();
        DataBase::SetFileName(tree.filePath("database.ini"));
        Form1 window;
        window.File->setPattern("*.frw");
        window.DirBox->setPath(t + "/fw");
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.Logbox->setFocus();
        QStringList log;
        QString prompt = window.Status->text();
        Logging::SetWriter([&](const QString& line) {
            const QString now = window.Status->text();
            if (now != prompt) log << "prompt: " + (prompt = now);
            log << line;
        });
        DataBase::DbTrace = true;
        std::optional<DeviceOperationGuard> operation;

        const QStringList words = gestures.split(' ');
        for (qsizetype i = 0; i < words.size(); ++i) {
            const QString& word = words[i];
            const QString next = QString(words.value(i + 1)).replace("<t>", t);
            QListWidget* list = word == "open" || word == "up"
                                    ? static_cast<QListWidget*>(window.DirBox)
                                    : window.File;
            const auto found = list->findItems(next, Qt::MatchEndsWith);
            QListWidgetItem* item =
                word == "up" ? list->item(list->currentRow() - 1) : found.value(0);
            const QPoint place = item ? list->visualItemRect(item).center() : QPoint();
            if (word == "device") window.DeviceSerial = "   ";
            if (word == "busy") operation.emplace(std::initializer_list<QWidget*>{});
            if (word == "click" || word == "ctrl")
                QTest::mouseClick(list->viewport(), Qt::LeftButton,
                                  word == "ctrl" ? Qt::ControlModifier : Qt::NoModifier, place);
            if (word == "drag") {
                QTest::mousePress(list->viewport(), Qt::LeftButton, {}, place);
                const QPoint end =
                    list->visualItemRect(list->findItems(words[i + 2], {})[0]).center();
                QTest::mouseMove(list->viewport(), end);
                QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, end);
            }
            if (word == "double" || word == "open" || word == "up")
                QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {},
                                   list->viewport()->mapTo(&window, place));
            if (word == "down") QTest::keyClick(window.File, Qt::Key_Down);
            if (word == "folder") window.DirBox->setPath(next);
            if (word == "root") window.DirBox->setPath("/"), window.File->setPath(t + "/fw");
            if (word == "drive") window.Drive->setCurrentIndex(window.Drive->findText(next));
            if (word == "focus") window.Drive->setFocus();
            if (word == "wheel") {
                QWheelEvent wheel({5, 5}, window.Drive->mapToGlobal(QPointF(5, 5)), {}, {0, -120},
                                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(window.Drive, &wheel);
            }
        }
        QFile settings(tree.filePath("database.ini"));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        log << window.FirmwarePath
            << QStringList{window.Drive->drive(), window.DirBox->path(),
                           QString::number(window.File->count())}
                   .join(' ')
            << QString::fromUtf8(settings.readAll()).split("\r\n", Qt::SkipEmptyParts).join(' ');
        QCOMPARE(log.join('|'), seen.replace("<t>", t));
        Logging::SetWriter({});
        DataBase::Reset();
        DriveChooser::SetRootSource({});
    }
};

QTEST_MAIN(FileSelectionTest)
#include "file_selection_qtest.moc"
