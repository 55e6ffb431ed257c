// What the station window does with what an operator or the system asks of it: a close, Abort or a
// signal that dropped the units being flashed would send good and bad units down the line mixed.
// Each test drives the window as the operator would, on the simulated bridge with the real
// upgrades in processes of their own.

#include <signal.h>

#include <QMessageBox>
#include <QtTest>

#include "app/station/StationWindow.h"
#include "operations/FailureHint.h"
#include "tests/app/StationWindowTesting.h"
#include "tests/common/SimBridge.h"
#include "tests/common/Watched.h"
#include "tests/common/WriteFile.h"

using namespace StationWindowTesting;

class StationWindowTest : public QObject {
    Q_OBJECT
  private slots:
    // Closing the window or Abort, by a click or by Alt+A, while a unit is flashed asks first in a
    // real modal box whose default and Escape keep the unit flashing. Started as a line PC starts
    // it, with the image given, the focus rests where neither Return nor one Tab reaches Abort,
    // and Abort is no default button. A step: how the question is asked,
    // then the button or key that answers it. Seen: whether the window stayed open, and the
    // unit's outcome in the record file.
    void askedBeforeTheUnitIsDropped_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("seen");
        QTest::newRow("kept flashing, then finish and close")
            << QStringList{"Alt+A|Escape", "Alt+A|Return", "click|&Keep flashing",
                           "close|&Keep flashing", "close|Let them &finish, then close"}
            << "closed upgraded";
        QTest::newRow("Abort, interrupt")
            << QStringList{"click|&Interrupt it"} << "open interrupted";
        QTest::newRow("close, interrupt")
            << QStringList{"close|&Interrupt them and close"} << "closed interrupted";
    }
    void askedBeforeTheUnitIsDropped() {
        QFETCH(QStringList, steps);
        QFETCH(QString, seen);
        SimBridge sim("device=UNIT0001\nprogram_ms=20\n");
        QVERIFY(sim.ready());
        QTemporaryDir folder;
        const StationWindowOptions options = optionsFor(folder);
        StationWindow window(options);
        window.show();
        QVERIFY(window.startWith(Images + "accepted.frw"));
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(!window.Abort->isDefault() && !window.Abort->autoDefault());
        QWidget* initial = QApplication::focusWidget();
        QVERIFY(initial != window.Abort);
        QTest::keyClick(initial, Qt::Key_Tab);
        QVERIFY2(QApplication::focusWidget() != window.Abort,
                 qPrintable(initial->accessibleName()));
        QTRY_VERIFY_WITH_TIMEOUT(
            window.Slots->slotCount() == 1 && window.Slots->tile(0)->progressShown(), 20000);
        for (const QString& step : steps) {
            const QString how = step.section('|', 0, 0), answer = step.section('|', 1);
            // The focus back on the window once a box is gone, as a window manager gives it.
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QString question, consequence;
            answerModal([&](QWidget* modal) {
                const auto* box = qobject_cast<QMessageBox*>(modal);
                question = box->text();
                consequence = box->informativeText();
                if (answer == "Escape" || answer == "Return") {
                    QTest::keyClick(modal, answer == "Escape" ? Qt::Key_Escape : Qt::Key_Return);
                } else {
                    QTest::mouseClick(buttonOf(modal, answer), Qt::LeftButton);
                }
            });
            if (how == "close") {
                window.windowHandle()->close();
            } else if (how == "click") {
                QTest::mouseClick(window.Abort, Qt::LeftButton);
            } else {
                QTest::keyClick(&window, Qt::Key_A, Qt::AltModifier);
            }
            // A mnemonic clicks its button a moment later.
            QTRY_COMPARE(question, how == "close" ? "1 unit is being flashed. Close the station?"
                                                  : "1 unit is being flashed: interrupt it?");
            if (how != "close") QCOMPARE(consequence, "It must be flashed again.");
            // Kept: the unit flashes on in a window still open.
            if (step != steps.last())
                QVERIFY(window.isVisible() &&
                        ReadRecordFile(options.station.recordPath).closing.isEmpty());
        }
        QTRY_VERIFY_WITH_TIMEOUT(ReadRecordFile(options.station.recordPath).closing.size() == 1 &&
                                     window.engine()->totals().running == 0,
                                 20000);
        QTRY_COMPARE(window.isVisible() ? "open" : "closed", seen.section(' ', 0, 0));
        QCOMPARE(ReadRecordFile(options.station.recordPath).closing[0]["outcome"].toString(),
                 seen.section(' ', 1));
    }

    // What keeps the station from starting is said in a box titled with the station's name: the
    // image's checks, and the upgrade program it starts for each unit.
    // An image that passed its checks stays shown. With eight bridges attached and no run, the
    // empty grid says what the operator must do, before an image is chosen and after. Seen: the
    // box's title and text.
    void aRefusalIsSaidInTheStationsBox_data() {
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("said");
        QTest::newRow("image missing") << "missing.frw" << FLASH_PROGRAM
                                       << "FOLDER/missing.frw does not exist\n" +
                                              FailureHint({"file", FailureCause::FileMissing});
        QTest::newRow("program missing")
            << Images + "accepted.frw"
            << "FOLDER/tarvellon-flash"
            << "the upgrade program FOLDER/tarvellon-flash is missing\nEach unit is flashed by "
               "tarvellon-flash, installed beside the station: install the package again, or put "
               "tarvellon-flash back beside the station's program.";
    }
    void aRefusalIsSaidInTheStationsBox() {
        QFETCH(QString, image);
        QFETCH(QString, program);
        QFETCH(QString, said);
        QString units;
        for (int unit = 1; unit <= 8; ++unit) units += QString("device=UNIT000%1\n").arg(unit);
        SimBridge sim(units);
        QVERIFY(sim.ready());
        QTemporaryDir folder;
        StationWindowOptions options = optionsFor(folder);
        QVERIFY(WriteFile(options.station.recordPath, {}));
        options.station.program = QString(program).replace("FOLDER", folder.path());
        StationWindow window(options);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const auto* idle = window.Slots->findChild<QLabel*>("Idle");
        QVERIFY(idle && idle->isVisible());
        QCOMPARE(idle->text(), "Choose an image to start");
        QString title, text;
        readBox(title, text);
        const bool checked = image.startsWith('/');
        QVERIFY(!window.startWith(checked ? image : folder.filePath(image)));
        QCOMPARE(title, StationWindow::Caption);
        QCOMPARE(text, QString(said).replace("FOLDER", folder.path()));
        QVERIFY(!window.engine());
        QCOMPARE(window.Header->ImageName->text(), checked ? "accepted.frw" : "No image chosen");
        QVERIFY(idle->isVisible());
        QCOMPARE(idle->text(), checked ? "Press Start to flash the units plugged in"
                                       : "Choose an image to start");
    }

    // A logout, systemctl stop or a shutdown ends the station window as it ends the command-line
    // station: the first signal lets the running unit finish, a second interrupts it; it then
    // exits with the command-line station's code and leaves no copy of the image behind. Sent to
    // the program as the system sends them, while its unit is being flashed.
    void signalsEndTheRunAsTheCommandLineStationDoes_data() {
        QTest::addColumn<QList<int>>("sent");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("SIGTERM") << QList<int>{SIGTERM} << "upgraded" << 0;
        QTest::newRow("SIGHUP, SIGTERM") << QList<int>{SIGHUP, SIGTERM} << "interrupted" << 130;
    }
    void signalsEndTheRunAsTheCommandLineStationDoes() {
        QFETCH(QList<int>, sent);
        QFETCH(QString, outcome);
        QFETCH(int, exitCode);
        SimBridge sim("device=UNIT0001\nprogram_ms=10\n");
        QVERIFY(sim.ready());
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir("tmp"));
        const QString records = folder.filePath("records.jsonl");
        QProcess station;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", folder.filePath("tmp"));
        station.setProcessEnvironment(environment);
        station.start(STATION_PROGRAM, {"--record", records, Images + "accepted.frw"});
        QVERIFY(station.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile(records).size() > 0, 20000);
        const auto copies = [&folder] {
            return QDir(folder.filePath("tmp")).entryList({"tarvellon-station-*"}, QDir::Dirs);
        };
        QCOMPARE(copies().size(), 1);
        QVERIFY(SignalRunning(station, sent[0]));
        QTest::qWait(200);
        // The unit flashes on.
        QCOMPARE(station.state(), QProcess::Running);
        if (sent.size() > 1) QVERIFY(SignalRunning(station, sent[1]));
        QVERIFY(station.waitForFinished(30000));
        QCOMPARE(station.exitStatus(), QProcess::NormalExit);
        QCOMPARE(station.exitCode(), exitCode);
        QCOMPARE(ReadRecordFile(records).closing.size(), 1);
        QCOMPARE(ReadRecordFile(records).closing[0]["outcome"].toString(), outcome);
        QCOMPARE(copies(), QStringList());
    }

  private:
    OwnConfigFolder m_config;
};

QTEST_MAIN(StationWindowTest)
#include "station_window_qtest.moc"
