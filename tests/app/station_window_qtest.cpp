// The station window is what a line operator reads from across the room: a tile that shows a
// state its unit is not in, a tile that moves, a count that disagrees with the record file, a
// control that cannot be reached without a mouse, or a close that drops the units being flashed
// sends good and bad units down the line mixed. Each test drives the window on the simulated
// bridge, with the real upgrades in processes of their own, as the operator would.

#include <QFileDialog>
#include <QJsonDocument>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "app/station/ImageChooser.h"
#include "app/station/StationWindow.h"
#include "operations/FailureHint.h"
#include "tests/common/SimBridge.h"

namespace {

const QString Images = SAMPLE_IMAGES_DIR "/";

// Runs `answer` on the next modal window once it has the focus, from within its own event loop.
void answerModal(const std::function<void(QWidget*)>& answer) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isActiveWindow()) {
            poll->deleteLater();
            poll->disconnect();
            answer(modal);
        }
    });
    poll->start(20);
}

QPushButton* buttonOf(QWidget* box, const QString& text) {
    for (QPushButton* button : box->findChildren<QPushButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

StationWindowOptions optionsFor(const QTemporaryDir& folder) {
    StationWindowOptions options;
    options.station.program = FLASH_PROGRAM;
    options.station.recordPath = folder.filePath("records.jsonl");
    return options;
}

QList<QJsonObject> closingLines(const QString& path) {
    QFile file(path);
    QList<QJsonObject> lines;
    for (file.open(QIODevice::ReadOnly); !file.atEnd();) {
        const QJsonObject record = QJsonDocument::fromJson(file.readLine()).object();
        if (record.contains("outcome")) lines << record;
    }
    return lines;
}

// The closing lines without what differs from run to run, in one order.
QStringList normalised(const QList<QJsonObject>& records) {
    QStringList texts;
    for (QJsonObject record : records) {
        for (const char* field : {"attempt", "started_at", "ended_at", "duration_ms", "pid"})
            record.remove(field);
        texts << QJsonDocument(record).toJson(QJsonDocument::Compact);
    }
    texts.sort();
    return texts;
}

}  // namespace

class StationWindowTest : public QObject {
    Q_OBJECT
  private slots:
    // The image chosen last is remembered in a configuration folder of the test's own.
    void initTestCase() {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }

    // The tiles and totals follow a run: a named slot whose unit has the wrong firmware, a unit
    // that passes and is unplugged, one plugged in later into a port not seen before. Slots stay
    // in their places; Stop by keyboard leaves the idle slots saying so. The records are those
    // the command line's station writes for the same units, and a window started again on the
    // record file shows them.
    void followsARun() {
        const QString config =
            "device=UNIT0001\nlocation=0x1141\nplugged=0-6000\n"
            "device=UNIT0002\nlocation=0x1142\nkey=µTARVEL7\n"
            "device=UNIT0003\nlocation=0x1143\nplugged=1500-\n";
        const QString image = Images + "three-records.frw";
        QTemporaryDir folder;
        StationWindowOptions options = optionsFor(folder);
        options.station.slotNames = {{"0x1142", "Bay B"}};
        SimBridge sim(config);
        QVERIFY(sim.ready());
        StationWindow window(options);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // Asked first, the operator types the image's path into the file dialog.
        answerModal([&](QWidget* dialog) {
            QVERIFY(qobject_cast<QFileDialog*>(dialog));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(QApplication::focusWidget(), image);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        window.chooseImage();
        QVERIFY(window.engine());
        QCOMPARE(ImageChooser::Last(), image);

        QStringList words;  // each tile's words, as they changed
        const auto seen = [&] {
            words.resize(window.Slots->slotCount());
            for (int i = 0; i < window.Slots->slotCount(); ++i) {
                const QString word = window.Slots->tile(i)->stateWord();
                if (!words[i].endsWith(word)) words[i] += (words[i].isEmpty() ? "" : " ") + word;
            }
        };
        seen();
        connect(window.engine(), &StationEngine::slotChanged, this, seen);
        const auto figures = [&] {
            const TotalsPanel& t = *window.Figures;
            return QStringList{t.Passed->text(), t.Failed->text(), t.Yield->text(),
                               t.LastHour->text()}
                .join(' ');
        };
        QTRY_COMPARE_WITH_TIMEOUT(figures(), "2 1 66 % 3", 30000);
        QTRY_COMPARE_WITH_TIMEOUT(window.Slots->tile(1)->stateWord(), "WAITING", 30000);
        QCOMPARE(words,
                 QStringList({"WAITING FLASHING FAIL", "WAITING FLASHING PASS UNPLUGGED WAITING",
                              "WAITING FLASHING PASS"}));
        QCOMPARE(window.Slots->tile(0)->accessibleName(), "Bay B");
        QCOMPARE(window.Slots->tile(2)->accessibleName(), "Slot 3");
        const QList<QJsonObject> records = closingLines(options.station.recordPath);
        const auto failed = std::find_if(records.begin(), records.end(),
                                         [](const auto& r) { return r["serial"] == "UNIT0002"; });
        QVERIFY(failed != records.end() && !(*failed)["hint"].toString().isEmpty());
        QCOMPARE(window.Slots->tile(0)->note(), FailureAdvice((*failed)["hint"].toString()));
        QCOMPARE(window.Slots->tile(0)->detail(), (*failed)["detail"].toString());
        QStringList rows;
        for (int row = 0; row < window.Attempts->rowCount(); ++row)
            rows << window.Attempts->rowText(row).section(" | ", 1, 3);
        rows.sort();
        QCOMPARE(rows, QStringList({"2 | UNIT0001 | PASS", "3 | UNIT0003 | PASS",
                                    "Bay B | UNIT0002 | FAIL"}));
        QCOMPARE(window.Header->Sha256->toolTip().left(16),
                 window.Header->Sha256->text().right(16));

        // Every control is named and the Tab key reaches each, the tiles among them; Alt+S stops
        // the line and leaves the focus off Abort.
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
        window.Stop->setFocus();
        QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(window.Start->isEnabled());
        QVERIFY(!window.Stop->isEnabled() && !window.Abort->isEnabled());
        QCOMPARE(QApplication::focusWidget(), window.Attempts);
        QCOMPARE(window.Slots->tile(1)->stateWord(), "STOPPED");
        QCOMPARE(window.Slots->tile(0)->stateWord(), "FAIL");

        // The command line's station on the same units writes the same records.
        SimBridge again(config);
        QFile names(folder.filePath("slots.txt"));
        QVERIFY(names.open(QIODevice::WriteOnly) && names.write("0x1142 = Bay B\n") > 0);
        names.close();
        QProcess station;
        station.start(FLASH_PROGRAM, {"station", image, "--count", "3", "--slots", names.fileName(),
                                      "--record", folder.filePath("cli.jsonl")});
        QVERIFY(station.waitForFinished(30000));
        QCOMPARE(normalised(closingLines(folder.filePath("cli.jsonl"))), normalised(records));

        // A restart shows the shift so far.
        StationWindow restarted(options);
        QVERIFY(restarted.startWith(image));
        QCOMPARE(restarted.Attempts->rowCount(), records.size());
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
