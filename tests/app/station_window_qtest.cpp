// The station window is what a line operator reads from across the room: a close that drops the
// units being flashed, or a tile whose state word is cut or covered, sends good and bad units down
// the line mixed. Each test drives the window as the operator would, on the simulated bridge with
// the real upgrades in processes of their own.

#include <QMessageBox>
#include <QtTest>

#include "app/station/StationWindow.h"
#include "operations/FailureHint.h"
#include "tests/app/StationWindowTesting.h"
#include "tests/common/SimBridge.h"

using namespace StationWindowTesting;

class StationWindowTest : public QObject {
    Q_OBJECT
  private slots:
    // The image chosen last is remembered in a configuration folder of the test's own.
    void initTestCase() {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }

    // Closing the window while a unit is flashed asks, in a real modal box: keep flashing, let
    // the unit finish and then close, or interrupt it and close. Seen: whether the window stayed
    // open, and the unit's outcome in the record file.
    void closingWhileFlashingAsks_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("seen");
        QTest::newRow("keep flashing") << "&Keep flashing"
                                       << "open upgraded";
        QTest::newRow("finish, then close") << "Let them &finish, then close"
                                            << "closed upgraded";
        QTest::newRow("interrupt and close") << "&Interrupt them and close"
                                             << "closed interrupted";
    }
    void closingWhileFlashingAsks() {
        QFETCH(QString, answer);
        QFETCH(QString, seen);
        SimBridge sim("device=UNIT0001\nprogram_ms=10\n");
        QVERIFY(sim.ready());
        QTemporaryDir folder;
        const StationWindowOptions options = optionsFor(folder);
        StationWindow window(options);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(window.startWith(Images + "accepted.frw"));
        QTRY_VERIFY_WITH_TIMEOUT(
            window.Slots->slotCount() == 1 && window.Slots->tile(0)->progressShown(), 20000);
        QString question;
        answerModal([&](QWidget* box) {
            question = qobject_cast<QMessageBox*>(box)->text();
            QTest::mouseClick(buttonOf(box, answer), Qt::LeftButton);
        });
        window.windowHandle()->close();
        QCOMPARE(question, "1 unit is being flashed. Close the station?");
        QTRY_VERIFY_WITH_TIMEOUT(closingLines(options.station.recordPath).size() == 1 &&
                                     window.engine()->totals().running == 0,
                                 20000);
        QTRY_COMPARE(window.isVisible() ? "open" : "closed", seen.section(' ', 0, 0));
        QCOMPARE(closingLines(options.station.recordPath)[0]["outcome"].toString(),
                 seen.section(' ', 1));
    }

    // 1 to 32 slots fill the grid without overlapping or leaving it, each tile's state word on
    // one line, no text over another, the word never squeezed by a FAIL's advice and detail, and as
    // large as the room allows: at least 28 pixels for 32 slots in the room a 1080p screen leaves
    // them.
    void gridFitsOneToThirtyTwoSlots() {
        SlotGrid grid;
        grid.resize(1400, 900);
        grid.show();
        SlotView unplugged;
        unplugged.state = SlotState::Unplugged;
        SlotView failed;
        failed.state = SlotState::Fail;
        failed.number = 12;
        failed.name = QStringLiteral("12");
        failed.serial = QStringLiteral("TV240899");
        failed.hint =
            FailureHint({"firmkey", FailureCause::Refused, "serial", "µTARVEL0", "µTARVEL7"});
        failed.detail = QStringLiteral(
            "the device reports key µTARVEL7, the image carries "
            "µTARVEL0 and is meant for other units");
        for (int count = 1; count <= 32; ++count) {
            grid.setSlotCount(count);
            QRegion covered;
            for (int i = 0; i < count; ++i) {
                SlotTile* tile = grid.tile(i);
                tile->showSlot(i % 2 ? failed : unplugged, false);
                QVERIFY(grid.rect().contains(tile->geometry()));
                QVERIFY(!covered.intersects(tile->geometry()));
                covered += tile->geometry();
            }
            QCoreApplication::processEvents();
            for (int i = 0; i < std::min(count, 2); ++i) {
                const auto* word = grid.tile(i)->findChild<QLabel*>("StateWord");
                const QFontMetrics metrics(word->font());
                QVERIFY(metrics.horizontalAdvance("UNPLUGGED") <= word->width());
                const QString where = QStringLiteral("%1 slots, %2").arg(count).arg(word->text());
                QVERIFY2(metrics.height() <= word->height(), qPrintable(where));
                QRegion texts;
                for (const QLabel* text : grid.tile(i)->findChildren<QLabel*>()) {
                    if (text->text().isEmpty()) continue;
                    QVERIFY2(!texts.intersects(text->geometry()), qPrintable(where));
                    texts += text->geometry();
                }
                QVERIFY2(word->font().pixelSize() >= 28, qPrintable(QString::number(count)));
            }
        }
    }

  private:
    QTemporaryDir m_config;
};

QTEST_MAIN(StationWindowTest)
#include "station_window_qtest.moc"
