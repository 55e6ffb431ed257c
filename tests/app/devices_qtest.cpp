// Selecting a device is how the technician tells the bridges on the bench apart, and the selection
// is what the upgrade later talks to: a wrong frame, a read that swallows a reply, or a second
// operation let in while the blink waits would reach the wrong device or corrupt a transfer.

#include <QtTest>
#include <optional>

#include "app/Form1.h"
#include "app/MessageBoxes.h"
#include "link/EventPump.h"
#include "link/FTDI.h"
#include "link/PortHandle.h"
#include "support/Logging.h"
#include "tests/common/SimBridge.h"

namespace {

const QString None = "-- none selected --", Untouched = "status will display here";
const QString Ready = "Please select a file.", AB = "device = A\ndevice = B", Old = "TARV-OLD";
// One blink's frames, '|' between writes.
const QByteArray Blink = QByteArray("led off\n|led on\n|led off\n|").repeated(6) + "reset\n";

QStringList blinkLog(const QString& serial) {
    return {"New device selected : " + serial, "Sending commands to toggle activity led.", ""};
}

void clickEntry(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

bool controlsLive(const Form1& window) {
    return window.DevicesList->isEnabled() && window.DevicesRescan->isEnabled() &&
           window.Upgrade->isEnabled();
}

}  // namespace

class DevicesTest : public QObject {
    Q_OBJECT
  private slots:
    // Every row scans first. "unplug" leaves only A attached, "unload" forgets the loaded library,
    // "meddle" clicks the list and Upgrade and calls their handlers while the fourth frame's wait
    // runs. Seen: the list, the label, DeviceSerial, the status, the devices opened, then the log
    // pane.
    void operatorSees_data() {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QStringList>("seen");
        const QStringList blinkA = blinkLog("A");
        // clang-format off
        QTest::newRow("three in index order") << "device = A\ndevice = C\ndevice = B" << "" << QStringList{"A C B", None, Old, Untouched, ""};
        QTest::newRow("no device found") << "" << "click0" << QStringList{"No device found.", None, Old, Untouched, "", "warning box: No device found.", "No device found.", ""};
        QTest::newRow("unplugged since the scan") << AB << "unplug click1" << QStringList{"A B", "B", "", "Please select a file and device.", "", "New device selected : B", "Can't talk to device, check connection."};
        QTest::newRow("same entry twice, the device talking back, then a re-scan") << "device = A\nbanner = hello\nline_end = crlf\ndevice = B" << "click0 click0 rescan" << QStringList{"A B", "A", "A", Ready, "A A"} + blinkA + blinkA;
        QTest::newRow("focus, then arrow keys") << AB << "focus down down" << QStringList{"A B", "B", "B", Ready, "B"} + blinkLog("B");
        QTest::newRow("driver installed while running") << "device = A" << "unload rescan" << QStringList{"A", None, Old, Untouched, ""};
        QTest::newRow("clicks during the blink") << AB << "meddle click0" << QStringList{"A B", "A", "A", "Ready.", "A", blinkA[0], blinkA[1], "held", ""};
        // clang-format on
    }
    void operatorSees() {
        QFETCH(QString, config);
        QFETCH(QString, actions);
        QFETCH(QStringList, seen);
        EventPump::Set({});
        // A box is noted in the log pane at the point it came up.
        MessageBoxes::SetHandler([](const QString& text, MessageIcon icon) {
            Logging::LogLine((icon == MessageIcon::Warning ? "warning box: " : "box: ") + text);
        });
        std::optional<SimBridge> bridge(std::in_place, config);
        QVERIFY(bridge->ready());
        Form1 window;
        window.DeviceSerial = Old;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.RescanDevices();
        window.DevicesRescan->setFocus();

        for (const QString& action : actions.split(u' ', Qt::SkipEmptyParts)) {
            if (action.startsWith("click")) clickEntry(window.DevicesList, action[5].digitValue());
            if (action == "down") QTest::keyClick(window.DevicesList, Qt::Key_Down);
            if (action == "rescan") QTest::mouseClick(window.DevicesRescan, Qt::LeftButton);
            if (action == "focus") QTest::keyClick(window.DevicesRescan, Qt::Key_Backtab);
            // The old bridge goes first: its destructor puts the default devices back.
            if (action == "unplug") QVERIFY(bridge.emplace("device = A").ready());
            if (action == "unload") FTDI::InstallApi(nullptr);
            if (action == "meddle") {
                window.FirmwarePath = QStringLiteral(SAMPLE_IMAGES_DIR "/three-records.frw");
                EventPump::Set([&, done = false]() mutable {
                    if (bridge->writes().size() == 4 && !std::exchange(done, true)) {
                        Logging::LogLine(controlsLive(window) ? "live" : "held");
                        clickEntry(window.DevicesList, 1);
                        QTest::mouseClick(window.Upgrade, Qt::LeftButton);
                        window.DevicesList_Click();
                        window.Upgrade_Click();
                    }
                    QCoreApplication::processEvents();
                });
            }
        }

        QStringList listed;
        for (int row = 0; row < window.DevicesList->count(); ++row)
            listed << window.DevicesList->item(row)->text();
        QStringList opened;
        for (const SimEvent& open : bridge->events(SimEvent::Kind::Open)) opened << open.serial;
        // The pane's text ends with a line break.
        QCOMPARE(QStringList({listed.join(u' '), window.CurrentDeviceLabel->text(),
                              window.DeviceSerial, window.Status->text(), opened.join(u' ')}) +
                     window.Logbox->toPlainText().split(u'\n'),
                 seen << "");
        QCOMPARE(bridge->writes().join('|'), QByteArrayList(opened.size(), Blink).join('|'));
        QVERIFY(bridge->events(SimEvent::Kind::Read).isEmpty());
        QCOMPARE(bridge->events(SimEvent::Kind::Close).size(), opened.size());
        QVERIFY(!PortHandle.isOpen() && controlsLive(window));

        // The LED is on from each "led on" to the next frame. The clock counts whole milliseconds,
        // so a wait may measure up to 1 ms short on the wire.
        const QList<SimEvent> sent = bridge->events(SimEvent::Kind::Write);
        qint64 onUs = 0, offUs = 0;
        for (qsizetype i = 0; i + 1 < sent.size() && i < 18; ++i) {
            const qint64 gap = sent[i + 1].timeUs - sent[i].timeUs;
            QCOMPARE_GE(gap, i % 3 == 1 ? 24'000 : 49'000);
            (i % 3 == 1 ? onUs : offUs) += gap;
        }
        QVERIFY2(3 * onUs <= offUs, "on for the 25 ms wait of a pass, off for its two 50 ms waits");
    }

    // Real focus changes on the offscreen window system: a modal box that takes the focus and
    // gives it back, another window active while the list is clicked. Disabling the focused control
    // pushes the focus on; once the window is active again the operator finds it where they left
    // it, unless they moved it themselves ("away" to another window, "move" to the folder tree
    // during the blink).
    void focusStaysWhereTheOperatorPutIt_data() {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("focus");
        QTest::newRow("box, then blink") << "device = A"
                                         << "upgrade click0"
                                         << "DevicesList";
        QTest::newRow("no device found") << ""
                                         << "click0"
                                         << "DevicesList";
        QTest::newRow("upgrade refused") << "device = A"
                                         << "upgrade"
                                         << "Upgrade";
        QTest::newRow("clicked from another window") << "device = A"
                                                     << "away click0"
                                                     << "DevicesList";
        QTest::newRow("moved during the blink") << "device = A"
                                                << "move click0"
                                                << "DirBox";
    }
    void focusStaysWhereTheOperatorPutIt() {
        QFETCH(QString, config);
        QFETCH(QString, actions);
        QFETCH(QString, focus);
        MessageBoxes::SetHandler({});
        SimBridge bridge(config);
        QVERIFY(bridge.ready());
        Form1 window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.RescanDevices();
        window.DevicesRescan->setFocus();
        QTimer operatorAnswers;
        connect(&operatorAnswers, &QTimer::timeout, [] {
            const QWidget* box = QApplication::activeModalWidget();
            if (box && box->isActiveWindow())
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        operatorAnswers.start(10);
        QWidget other;
        EventPump::Set({});
        for (const QString& action : actions.split(u' ')) {
            if (action == "click0") clickEntry(window.DevicesList, 0);
            if (action == "upgrade") QTest::mouseClick(window.Upgrade, Qt::LeftButton);
            if (action == "move")
                EventPump::Set([&] {
                    window.DirBox->setFocus();
                    QCoreApplication::processEvents();
                });
            if (action == "away") {
                other.show();
                other.activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(&other));
            }
        }
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    }
};

QTEST_MAIN(DevicesTest)
#include "devices_qtest.moc"
