// The window is what the operator reads at the bench: a control out of place, a caption wrong or a
// Tab order that skips a control sends them the wrong way. The file the operator picks is the file
// that gets flashed, and the folder and name must survive a restart: a wrong join, a choice not
// written through, a stale path after a folder change, a restore that falls back to a path that
// cannot be used, or a drive chooser that disagrees with the tree loads the wrong firmware or loses
// the operator's place. A start that changes nothing writes nothing.

#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>
#include <optional>

#include "app/DeviceOperationGuard.h"
#include "app/Form1.h"
#include "support/DataBase.h"
#include "support/Logging.h"
#include "tests/common/SimBridge.h"

namespace {

QString captionOf(const QWidget* widget) {
    if (auto* frame = qobject_cast<const QGroupBox*>(widget)) return frame->title();
    if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    return {};
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT
  private slots:
    // Each control lies inside its frame and over no other; the captions are the operator's words.
    void controlsSitInTheirFrames() {
        Form1 window;
        QStringList captions;
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            QWidget* parent = widget->parentWidget();
            if (parent != &window && !qobject_cast<QGroupBox*>(parent)) continue;
            const QByteArray name = widget->objectName().toLatin1();
            QVERIFY2(parent->rect().contains(widget->geometry()), name.constData());
            // As the layout table draws them, neighbours may share an edge's pixels.
            const QRect inner = widget->geometry().adjusted(1, 1, -1, -1);
            for (const QWidget* other : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                QVERIFY2(other == widget || !other->geometry().intersects(inner), name.constData());
            captions << captionOf(widget);
        }
        captions.removeAll(QString());
        QCOMPARE(captions, QStringList({"Firmware file selection", "Logging", "Device selection",
                                        "Current device :", "-- none selected --", "Re-scan",
                                        "Firmware upgrade", "Status", "status will display here",
                                        "Upgrade firmware now"}));
    }

    // The Tab key walks the controls in their order, back to the first.
    void windowIsNamedAndWalkedInOrder() {
        Form1 window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(window.windowTitle(), QStringLiteral("µTarvellon Firmware Upgrader - Velmora"));
        window.Drive->setFocus();
        for (const char* name :
             {"DirBox", "File", "Upgrade", "DevicesList", "DevicesRescan", "Logbox", "Drive"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1String(name));
        }
    }

    // The log pane is the record of an upgrade: a line that lands in the middle of the text,
    // overwrites a selection, or scrolls out of view is a line the operator never reads.
    // The operator can select and copy, but not type into the record.
    void linesLandAtTheEndInView() {
        Form1 window;
        window.show();
        QPlainTextEdit* pane = window.Logbox;
        Logging::LogLine("first line");
        pane->selectAll();
        pane->setFocus();
        QTest::keyClicks(pane, "typed");
        Logging::LogLine("  µTARVEL0 ø€.frw  ");
        Logging::LogLine("");
        QStringList lines{"first line", "  µTARVEL0 ø€.frw  ", ""};
        for (int i = 0; i < 1000; ++i) Logging::LogLine(lines.emplaceBack(QString::number(i)));
        QCOMPARE(pane->toPlainText(), lines.join('\n') + '\n');
        QScrollBar* scroll = pane->verticalScrollBar();
        QVERIFY(scroll->maximum() > 0 && scroll->value() == scroll->maximum());
        const QTextCursor lastLine(pane->document()->findBlockByNumber(lines.size() - 1));
        QVERIFY(pane->viewport()->rect().intersects(pane->cursorRect(lastLine)));
    }

    // Every row starts the window from the program's folder <p> (from <t> with "elsewhere") on a
    // database.ini of the row's lines, none when empty ("<moved>": the lines are in the program's
    // read-only folder, the per-user database.ini not written yet); <t>/fw holds a, b and c.frw,
    // <t>/usb is a drive mounted below "/", <n> the number of images in the root folder, whose
    // path ends in its separator, which other programs' tests may add to. "device"
    // selects one whose serial number is blanks, which counts as a selection. Seen: the log with
    // the store's trace after start-up and each change of the prompt where it happened, then
    // FirmwarePath, the chooser's drive, the tree's folder, the number of files listed and the
    // current one (and the list's folder where it is not the tree's), and database.ini.
    void operatorSees_data() {
        QTest::addColumn<QString>("settings");
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
        const QString none = "prompt: Please select a file and device.|", fw = "file path <t>/fw";
        const QString device = "prompt: Please select a device.|";
        const auto chosen = [&](const QString& file) {
            return "<t>/fw/" + file + "|/ <t>/fw 3 " + file + "|" + fw + " file file " + file;
        };
        // clang-format off
        QTest::newRow("first run") << "" << "" << none + "|/ <p> 0 |<missing>";
        QTest::newRow("first run from elsewhere") << "" << "elsewhere" << none + "|/ <p> 0 |file path <p>";
        QTest::newRow("folder and file remembered") << fw + " file file a.frw" << "" << device + chosen("a.frw");
        QTest::newRow("read-only program folder") << "<moved> " + fw + " file file a.frw" << "" << device + chosen("a.frw");
        QTest::newRow("file deleted since") << fw + " file file gone.frw" << "" << none + "|/ <t>/fw 3 |" + fw + " file file gone.frw";
        QTest::newRow("folder gone since") << "file path <t>/gone file file a.frw" << "" << none + "|/ <p> 0 |file path <t>/gone file file a.frw";
        QTest::newRow("click") << fw << "click a.frw" << none + chose("a.frw", false, "Please select a device.") + chosen("a.frw");
        QTest::newRow("device selected") << fw << "device click a.frw" << none + chose("a.frw", false, "Ready.") + chosen("a.frw");
        QTest::newRow("during a device operation") << fw << "device busy click a.frw" << none + chose("a.frw") + chosen("a.frw");
        QTest::newRow("arrow keys") << fw << "busy click a.frw down down down" << none + chose("a.frw") + chose("b.frw", true) + chose("c.frw", true) + chosen("c.frw");
        QTest::newRow("root folder") << fw << "busy root click a.frw" << none + path("/") + chose("a.frw") + "//a.frw|/ / 3 a.frw in <t>/fw|file path / file file a.frw";
        QTest::newRow("folder") << fw << "device click a.frw folder <t>/other" << none + chose("a.frw", false, "Ready.") + path("<t>/other") + "|/ <t>/other 1 |file path <t>/other file file a.frw";
        QTest::newRow("folder that does not exist") << fw << "folder <t>/gone" << none + path("<t>/gone") + "|/ <t>/gone 0 |file path <t>/gone";
        QTest::newRow("subfolder opened") << fw << "open sub" << none + path("<t>/fw/sub") + "|/ <t>/fw/sub 0 |file path <t>/fw/sub";
        QTest::newRow("drive") << fw << "busy click a.frw drive <t>/usb" << none + chose("a.frw") + path("<t>/usb") + sync + "|<t>/usb <t>/usb 0 |file path <t>/usb file file a.frw file drive <t>/usb";
        QTest::newRow("mounted drive opened in the tree") << fw << "folder <t> open usb" << none + path("<t>") + path("<t>/usb") + "|<t>/usb <t>/usb 0 |file path <t>/usb";
        QTest::newRow("first drive chosen again") << fw << "folder <t>/usb drive /" << none + path("<t>/usb") + path("/") + sync + "|/ / <n> |file path / file drive /";
        // clang-format on
    }
    void operatorSees() {
        QFETCH(QString, settings);
        QFETCH(QString, gestures);
        QFETCH(QString, seen);
        QTemporaryDir tree;
        const QString t = tree.path();
        for (const char* folder : {"fw/sub", "other", "usb"}) QVERIFY(QDir(t).mkpath(folder));
        for (const char* file : {"fw/a.frw", "fw/b.frw", "fw/c.frw", "fw/notes.txt", "other/d.frw"})
            QVERIFY(QFile(tree.filePath(file)).open(QIODevice::WriteOnly));
        const auto resolve = [&](QString text) {
            return text.replace("<t>", t)
                .replace("<p>", QCoreApplication::applicationDirPath())
                .replace("<n>",
                         QString::number(QDir::root().entryList({"*.frw"}, QDir::Files).size()));
        };
        QFile file(tree.filePath("database.ini")), former(tree.filePath("program.ini"));
        const bool moved = settings.startsWith("<moved> ");
        QFile& source = moved ? former : file;
        if (!settings.isEmpty() && source.open(QIODevice::WriteOnly))
            source.write(resolve(settings.remove("<moved> ")).replace(' ', "\r\n").toLocal8Bit() +
                         "\r\n");
        source.close();
        DataBase::Reset();
        DataBase::SetFileName(file.fileName(), moved ? former.fileName() : QString());
        DriveChooser::SetRootSource([t] { return QStringList{"/", t + "/usb"}; });
        QVERIFY(QDir::setCurrent(gestures.startsWith("elsewhere") ? t : resolve("<p>")));
        SimBridge bridge(QString{});
        QVERIFY(bridge.ready());
        Form1 window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.Logbox->setFocus();
        QStringList log;
        QString prompt = window.Status->text();
        const auto notePrompt = [&] {
            if (window.Status->text() != prompt)
                log << "prompt: " + (prompt = window.Status->text());
        };
        Logging::SetWriter([&](const QString& line) { notePrompt(), log << line; });
        window.Form_Load();
        notePrompt();
        DataBase::DbTrace = true;
        std::optional<DeviceOperationGuard> operation;

        const QStringList words = gestures.split(' ');
        for (qsizetype i = 0; i < words.size(); ++i) {
            const QString& word = words[i];
            const QString next = resolve(words.value(i + 1));
            QListWidget* list =
                word == "open" ? static_cast<QListWidget*>(window.DirBox) : window.File;
            QListWidgetItem* item = list->findItems(next, Qt::MatchEndsWith).value(0);
            const QPoint place = item ? list->visualItemRect(item).center() : QPoint();
            if (word == "device") window.DeviceSerial = "   ";
            if (word == "busy") operation.emplace(std::initializer_list<QWidget*>{});
            if (word == "click") QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place);
            if (word == "open")
                QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {},
                                   list->viewport()->mapTo(&window, place));
            if (word == "down") QTest::keyClick(window.File, Qt::Key_Down);
            if (word == "folder") window.DirBox->setPath(next);
            if (word == "root") window.DirBox->setPath("/"), window.File->setPath(t + "/fw");
            if (word == "drive") window.Drive->setCurrentIndex(window.Drive->findText(next));
        }
        // Start-up filters on firmware images, finds nothing attached and says nothing to it.
        QCOMPARE(
            window.File->pattern() + window.DevicesList->item(0)->text() + bridge.writes().join(),
            "*.frwNo device found.");
        QString written = file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>";
        log << window.FirmwarePath
            << QStringList{window.Drive->drive(), window.DirBox->path(),
                           QString::number(window.File->count()), window.File->fileName()}
                       .join(' ') +
                   (window.File->path() == window.DirBox->path() ? ""
                                                                 : " in " + window.File->path())
            << written.replace("\r\n", " ").trimmed();
        QCOMPARE(log.join('|'), resolve(seen));
        Logging::SetWriter({});
        DataBase::Reset();
        DriveChooser::SetRootSource({});
    }
};

QTEST_MAIN(WindowTest)
#include "window_qtest.moc"
