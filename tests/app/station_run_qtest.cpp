// One run of the station window as a line operator meets it, read case by case: a named slot
// whose unit has the wrong firmware, a unit that passes and is unplugged, one plugged in later
// into a port not seen before. A tile that shows a state its unit is not in, a tile that moves, a
// count that disagrees with the record file or a control out of the keyboard's reach sends good
// and bad units down the line mixed. The run starts once, with the real upgrades in processes of
// their own, and the cases read it in order: the last ones stop it and start it again.

#include <QAccessible>
#include <QFileDialog>
#include <QtTest>
#include <memory>

#include "app/station/ImageChooser.h"
#include "app/station/StationWindow.h"
#include "operations/FailureHint.h"
#include "tests/app/StationWindowTesting.h"
#include "tests/common/SimBridge.h"

using namespace StationWindowTesting;

namespace {

const QString Units =
    "device=UNIT0001\nlocation=0x1141\nplugged=0-6000\n"
    "device=UNIT0002\nlocation=0x1142\nkey=µTARVEL7\n"
    "device=UNIT0003\nlocation=0x1143\nplugged=1500-\n";
const QString Image = Images + "three-records.frw";

}  // namespace

class StationRunTest : public QObject {
    Q_OBJECT
  private slots:
    // Asked first, the operator types the image's path into the file dialog: it is shown and waits
    // for Start, and only then are units flashed. The run goes on until the three units are done
    // and the unplugged slot waits again.
    void initTestCase() {
        m_options = optionsFor(m_folder);
        m_options.station.slotNames = {{"0x1142", "Bay B"}};
        m_sim = std::make_unique<SimBridge>(Units);
        QVERIFY(m_sim->ready());
        m_window = std::make_unique<StationWindow>(m_options);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        answerModal([](QWidget* dialog) {
            QVERIFY(qobject_cast<QFileDialog*>(dialog));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(QApplication::focusWidget(), Image);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        QTest::mouseClick(m_window->ChooseImage, Qt::LeftButton);
        QTRY_COMPARE(m_window->Header->ImageName->text(), "three-records.frw");
        QVERIFY(!m_window->engine() && m_window->Start->isEnabled());
        QCOMPARE(m_window->Slots->findChild<QLabel*>("Idle")->text(),
                 "Press Start to flash the units plugged in");
        QTest::mouseClick(m_window->Start, Qt::LeftButton);
        QVERIFY(m_window->engine());
        noteWords();
        connect(m_window->engine(), &StationEngine::slotChanged, this, &StationRunTest::noteWords);
        QTRY_COMPARE_WITH_TIMEOUT(figures(), "2 1 66 % 3", 30000);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->Slots->tile(1)->stateWord(), "WAITING", 30000);
    }

    void theImageChosenIsRemembered() { QCOMPARE(ImageChooser::Last(), Image); }

    // Slots stay in their places, named slots first, each tile saying each state its unit was in.
    void tilesFollowTheirUnits() {
        QCOMPARE(m_words,
                 QStringList({"WAITING FLASHING FAIL", "WAITING FLASHING PASS UNPLUGGED WAITING",
                              "WAITING FLASHING PASS"}));
        QCOMPARE(m_window->Slots->tile(0)->accessibleName(), "Bay B");
        QCOMPARE(m_window->Slots->tile(2)->accessibleName(), "Slot 3");
    }

    void aFailedTileSaysWhatItsClosingLineSays() {
        const QList<QJsonObject> lines = ReadRecordFile(m_options.station.recordPath).closing;
        const auto failed = std::find_if(lines.begin(), lines.end(), [](const auto& line) {
            return line["serial"] == "UNIT0002";
        });
        QVERIFY(failed != lines.end() && !(*failed)["hint"].toString().isEmpty());
        QCOMPARE(m_window->Slots->tile(0)->note(), FailureAdvice((*failed)["hint"].toString()));
        QCOMPARE(m_window->Slots->tile(0)->detail(), (*failed)["detail"].toString());
    }

    void theAttemptsTableListsEachUnit() {
        QStringList rows;
        for (int row = 0; row < m_window->Attempts->rowCount(); ++row)
            rows << m_window->Attempts->rowText(row).section(" | ", 1, 3);
        rows.sort();
        QCOMPARE(rows, QStringList({"2 | UNIT0001 | PASS", "3 | UNIT0003 | PASS",
                                    "Bay B | UNIT0002 | FAIL"}));
    }

    // A screen reader reads each figure and each fact of the image with what it is.
    void aScreenReaderReadsTheValues() {
        const StationHeader& header = *m_window->Header;
        const TotalsPanel& totals = *m_window->Figures;
        QStringList read;
        for (QWidget* field : std::initializer_list<QWidget*>{
                 totals.Passed, totals.Failed, totals.Yield, totals.LastHour, header.ImageName,
                 header.Key, header.Size, header.Sha256, header.Driver,
                 header.findChild<QLabel*>("Notice")})
            read << QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name);
        QCOMPARE(read, QStringList({"Passed: 2", "Failed: 1", "Yield: 66 %", "Last hour: 3",
                                    "Image: three-records.frw", "Firmware key: µTARVEL0",
                                    "Image size: 3 records, 47 bytes", "SHA-256: e86e590c081373a1",
                                    "Driver: d2xx", "Line: Flashing every unit plugged in."}));
    }

    // Every control is named and the Tab key reaches each, the tiles among them.
    void tabReachesEveryNamedControl() {
        StationWindow& window = *m_window;
        QList<QWidget*> order{window.Stop, window.Abort};
        for (int i = 0; i < window.Slots->slotCount(); ++i) order << window.Slots->tile(i);
        order << window.Attempts;
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.Stop->setFocus();
        for (int i = 1; i <= order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), order[i % order.size()]);
        }
        for (QWidget* control : window.findChildren<QWidget*>())
            if (control->focusPolicy() & Qt::TabFocus)
                QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
    }

    // Alt+S stops the line and leaves the focus off Abort; the idle slots say it stopped.
    void stopByKeyboardLeavesAbortAlone() {
        StationWindow& window = *m_window;
        window.Stop->setFocus();
        QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(window.Start->isEnabled());
        QVERIFY(!window.Stop->isEnabled() && !window.Abort->isEnabled());
        QCOMPARE(QApplication::focusWidget(), window.Attempts);
        QCOMPARE(window.Slots->tile(1)->stateWord(), "STOPPED");
        QCOMPARE(window.Slots->tile(0)->stateWord(), "FAIL");
    }

    void aRestartShowsTheShiftSoFar() {
        StationWindow restarted(m_options);
        QVERIFY(restarted.startWith(Image));
        QCOMPARE(restarted.Attempts->rowCount(),
                 ReadRecordFile(m_options.station.recordPath).closing.size());
    }

    // Started again within one run, the line counts on: the shift's totals and its clock.
    void theTotalsStayAcrossStopAndStart() {
        StationWindow& window = *m_window;
        QVERIFY(window.Start->isEnabled());
        QTest::mouseClick(window.Start, Qt::LeftButton);
        // The unplugged unit's port is not seen again.
        QTRY_COMPARE(window.Slots->slotCount(), 2);
        QVERIFY(window.Figures->Passed->text().toInt() >= 2);
        QVERIFY(window.Figures->Failed->text().toInt() >= 1);
        QVERIFY(window.Figures->Elapsed->text() != "0:00:00");
        QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY_WITH_TIMEOUT(window.Start->isEnabled(), 30000);
    }

    void cleanupTestCase() {
        m_window.reset();
        m_sim.reset();
    }

  private:
    // Each tile's words, as they changed.
    void noteWords() {
        m_words.resize(m_window->Slots->slotCount());
        for (int i = 0; i < m_window->Slots->slotCount(); ++i) {
            const QString word = m_window->Slots->tile(i)->stateWord();
            if (!m_words[i].endsWith(word)) m_words[i] += (m_words[i].isEmpty() ? "" : " ") + word;
        }
    }

    QString figures() const {
        const TotalsPanel& totals = *m_window->Figures;
        return QStringList{totals.Passed->text(), totals.Failed->text(), totals.Yield->text(),
                           totals.LastHour->text()}
            .join(' ');
    }

    OwnConfigFolder m_config;
    QTemporaryDir m_folder;
    StationWindowOptions m_options;
    std::unique_ptr<SimBridge> m_sim;
    std::unique_ptr<StationWindow> m_window;
    QStringList m_words;
};

QTEST_MAIN(StationRunTest)
#include "station_run_qtest.moc"
