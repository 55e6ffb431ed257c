// Selecting a device is how the technician tells the bridges on the bench apart, and the selection
// is what the upgrade later talks to: a wrong frame, a read that swallows a reply, or a second
// operation let in while the blink waits would reach the wrong device or corrupt a transfer. The
// guard that holds the controls meanwhile must leave the keyboard focus where the operator put it.

#include <QMessageBox>
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
const QString Refused =
    "box: Please select a firmware file first.|Please select a firmware "
    "file first.|Upgrade cancelled.||";
// One blink's frames, '|' between writes.
const QByteArray Blink = QByteArray("led off\n|led on\n|led off\n|").repeated(6) + "reset\n";

QString blinkLog(const QString& serial) {
    return "New device selected : " + serial + "|Sending commands to toggle activity led.||";
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
    // Every row scans and puts the focus on Re-scan first. "unplug" leaves only A attached,
    // "unload" forgets the loaded library, "away" activates another window, "meddle" clicks the
    // list and Upgrade, calls their handlers and moves the focus to the folder tree while the
    // fourth frame's wait runs. Boxes are real, answered with Return once they have the focus.
    // Seen, once the window is active again: the focus, the list, the label, DeviceSerial, the
    // status, the devices opened, then the log pane, boxes noted where they came up.
    void operatorSees_data() {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("seen");
        const QString A = "A|A|A|" + Ready + "|A|";
        // clang-format off
        QTest::newRow("three in index order") << "device = A\ndevice = C\ndevice = B" << "" << "DevicesRescan|A C B|" + None + "|" + Old + "|" + Untouched + "||";
        QTest::newRow("no device found") << "" << "click0" << "DevicesList|No device found.|" + None + "|" + Old + "|" + Untouched + "||warning box: No device found.|No device found.||";
        QTest::newRow("unplugged since the scan") << AB << "unplug click1" << "DevicesList|A B|B||Please select a file and device.||New device selected : B|Can't talk to device, check connection.|";
        QTest::newRow("same entry twice, the device talking back, then a re-scan") << "device = A\nbanner = hello\nline_end = crlf\ndevice = B" << "click0 click0 rescan" << "DevicesRescan|A B|A|A|" + Ready + "|A A|" + blinkLog("A") + blinkLog("A");
        QTest::newRow("driver installed while running") << "device = A" << "unload rescan" << "DevicesRescan|A|" + None + "|" + Old + "|" + Untouched + "||";
        QTest::newRow("clicks during the blink") << AB << "meddle click0" << "DirBox|A B|A|A|Ready.|A|New device selected : A|Sending commands to toggle activity led.|held||";
        QTest::newRow("upgrade refused") << "device = A" << "upgrade" << "Upgrade|A|" + None + "|" + Old + "|" + Untouched + "||" + Refused;
        QTest::newRow("upgrade refused, then a blink") << "device = A" << "upgrade click0" << "DevicesList|" + A + Refused + blinkLog("A");
        QTest::newRow("clicked while another window is active") << "device = A" << "away click0" << "DevicesList|" + A + blinkLog("A");
        // clang-format on
    }
    void operatorSees() {
        QFETCH(QString, config);
        QFETCH(QString, actions);
        QFETCH(QString, seen);
        EventPump::Set({});
        MessageBoxes::SetHandler({});
        QTimer operatorAnswers;
        connect(&operatorAnswers, &QTimer::timeout, [] {
            const auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isActiveWindow()) return;
            Logging::LogLine((box->icon() == QMessageBox::Warning ? "warning box: " : "box: ") +
                             box->text() +
                             (box->windowTitle() == MessageBoxes::Title ? "" : " (title wrong)"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        operatorAnswers.start(10);
        std::optional<SimBridge> bridge(std::in_place, config);
        QVERIFY(bridge->ready());
        Form1 window;
        window.DeviceSerial = Old;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.RescanDevices();
        window.DevicesRescan->setFocus();
        QWidget other;

        for (const QString& action : actions.split(u' ', Qt::SkipEmptyParts)) {
            if (action.startsWith("click")) clickEntry(window.DevicesList, action[5].digitValue());
            if (action == "rescan") QTest::mouseClick(window.DevicesRescan, Qt::LeftButton);
            if (action == "upgrade") QTest::mouseClick(window.Upgrade, Qt::LeftButton);
            // The old bridge goes first: its destructor puts the default devices back.
            if (action == "unplug") QVERIFY(bridge.emplace("device = A").ready());
            if (action == "unload") FTDI::InstallApi(nullptr);
            if (action == "away") {
                other.show();
                other.activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(&other));
            }
            if (action == "meddle") {
                window.FirmwarePath = QStringLiteral(SAMPLE_IMAGES_DIR "/three-records.frw");
                EventPump::Set([&, done = false]() mutable {
                    if (bridge->writes().size() == 4 && !std::exchange(done, true)) {
                        Logging::LogLine(controlsLive(window) ? "live" : "held");
                        clickEntry(window.DevicesList, 1);
                        QTest::mouseClick(window.Upgrade, Qt::LeftButton);
                        window.DevicesList_Click();
                        window.Upgrade_Click();
                        window.DirBox->setFocus();
                    }
                    QCoreApplication::processEvents();
                });
            }
        }
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QStringList listed;
        for (int row = 0; row < window.DevicesList->count(); ++row)
            listed << window.DevicesList->item(row)->text();
        QStringList opened;
        for (const SimEvent& open : bridge->events("open")) opened << open.serial;
        QCOMPARE(QStringList({QApplication::focusWidget()->objectName(), listed.join(u' '),
                              window.CurrentDeviceLabel->text(), window.DeviceSerial,
                              window.Status->text(), opened.join(u' '),
                              window.Logbox->toPlainText().replace(u'\n', u'|')})
                     .join(u'|'),
                 seen);
        QCOMPARE(bridge->writes().join('|'), QByteArrayList(opened.size(), Blink).join('|'));
        QVERIFY(bridge->events("read").isEmpty());
        QCOMPARE(bridge->events("close").size(), opened.size());
        QVERIFY(!PortHandle.isOpen() && controlsLive(window));

        // The LED is on from each "led on" to the next frame. The clock counts whole milliseconds,
        // so a wait may measure up to 1 ms short on the wire.
        const QList<SimEvent> sent = bridge->events("write");
        qint64 onUs = 0, offUs = 0;
        for (qsizetype i = 0; i + 1 < sent.size() && i < 18; ++i) {
            const qint64 gap = sent[i + 1].timeUs - sent[i].timeUs;
            QCOMPARE_GE(gap, i % 3 == 1 ? 24'000 : 49'000);
            (i % 3 == 1 ? onUs : offUs) += gap;
        }
        QVERIFY2(3 * onUs <= offUs, "on for the 25 ms wait of a pass, off for its two 50 ms waits");
    }
};

QTEST_MAIN(DevicesTest)
#include "devices_qtest.moc"
