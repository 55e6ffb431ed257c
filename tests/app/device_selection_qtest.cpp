// Selecting a device is how the technician tells the bridges on the bench apart: a click on an
// entry blinks that unit's LED, and the selection is what the upgrade then talks to. A blink sent
// to the wrong bridge, a list out of the library's order, a second operation let in while one
// waits, or keyboard focus taken from where the operator put it sends the wrong unit to the
// flasher.

#include <QtTest>
#include <optional>

#include "app/Form1.h"
#include "link/EventPump.h"
#include "link/FTDI.h"
#include "link/PortHandle.h"
#include "support/Logging.h"
#include "tests/common/SimBridge.h"
#include "tests/common/WireSteps.h"
#include "tests/common/window/AnsweredBoxes.h"

namespace {

const QString None = "-- none selected --", Untouched = "status will display here";
const QString Ready = "Please select a file.", AB = "device = A\ndevice = B", Old = "TARV-OLD";
// One blink's frames on the wire.
const QString Blink = QString("→ led off%0A|→ led on%0A|→ led off%0A|").repeated(6) + "→ reset%0A";

QString blinkLog(const QString& serial) {
    return "New device selected : " + serial + "|Sending commands to toggle activity led.||";
}

void clickEntry(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

}  // namespace

class DeviceSelectionTest : public QObject {
    Q_OBJECT
  private slots:
    // Every row scans and puts the focus on Re-scan first. "unplug" leaves only A attached,
    // "unload" forgets the loaded library, "meddle" clicks the list and Upgrade, calls their
    // handlers and moves the focus to the folder tree while the fourth frame's wait runs. Boxes are
    // real, answered with Return once they have the focus. Seen, once the window is active again:
    // the focus, the list, the label, DeviceSerial, the status, the wire with each blink's 19
    // frames as "blink", then the log pane, boxes noted where they came up.
    void operatorSees_data() {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("seen");
        // clang-format off
        QTest::newRow("three in index order") << "device = A\ndevice = C\ndevice = B" << "" << "DevicesRescan|A C B|" + None + "|" + Old + "|" + Untouched + "||";
        QTest::newRow("no device found") << "" << "click0" << "DevicesList|No device found.|" + None + "|" + Old + "|" + Untouched + "||warning box: No device found.|No device found.||";
        QTest::newRow("unplugged since the scan") << AB << "unplug click1" << "DevicesList|A B|B||Please select a file and device.|open failed B|New device selected : B|Can't talk to device, check connection.|";
        QTest::newRow("same entry twice, the device talking back, then a re-scan") << "device = A\nbanner = hello\nline_end = crlf\ndevice = B" << "click0 click0 rescan" << "DevicesRescan|A B|A|A|" + Ready + "|open A|blink|close A|open A|blink|close A|" + blinkLog("A") + blinkLog("A");
        QTest::newRow("driver installed while running") << "device = A" << "unload rescan" << "DevicesRescan|A|" + None + "|" + Old + "|" + Untouched + "||";
        QTest::newRow("clicks during the blink") << AB << "meddle click0" << "DirBox|A B|A|A|Ready.|open A|blink|close A|New device selected : A|Sending commands to toggle activity led.|held||";
        // clang-format on
    }
    void operatorSees() {
        QFETCH(QString, config);
        QFETCH(QString, actions);
        QFETCH(QString, seen);
        EventPump::Set({});
        std::optional<SimBridge> bridge(std::in_place, config);
        QVERIFY(bridge->ready());
        Form1 window;
        window.DeviceSerial = Old;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const auto answering = AnswerBoxes(window);
        window.RescanDevices();
        window.DevicesRescan->setFocus();

        for (const QString& action : actions.split(u' ', Qt::SkipEmptyParts)) {
            if (action.startsWith("click")) clickEntry(window.DevicesList, action[5].digitValue());
            if (action == "rescan") QTest::mouseClick(window.DevicesRescan, Qt::LeftButton);
            // The old bridge goes first: its destructor puts the default devices back.
            if (action == "unplug") QVERIFY(bridge.emplace("device = A").ready());
            if (action == "unload") FTDI::InstallApi(nullptr);
            if (action == "meddle") {
                window.FirmwarePath = QStringLiteral(SAMPLE_IMAGES_DIR "/three-records.frw");
                EventPump::Set([&, done = false]() mutable {
                    if (bridge->writes().size() == 4 && !std::exchange(done, true)) {
                        Logging::LogLine(DeviceControlsHeld(window) ? "held" : "live");
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
        QCOMPARE(QStringList({QApplication::focusWidget()->objectName(), listed.join(u' '),
                              window.CurrentDeviceLabel->text(), window.DeviceSerial,
                              window.Status->text(),
                              WireSteps(bridge->events()).join(u'|').replace(Blink, "blink"),
                              window.Logbox->toPlainText().replace(u'\n', u'|')})
                     .join(u'|'),
                 seen);
        QVERIFY(!PortHandle.isOpen() && window.DevicesList->isEnabled() &&
                window.Upgrade->isEnabled());

        // The LED is on for the 25 ms wait after each "led on", off for the two 50 ms waits of a
        // pass. The clock counts whole milliseconds, so a wait may measure up to 1 ms short.
        const QList<SimEvent> sent = bridge->events(SimEvent::Kind::Write);
        for (qsizetype i = 0; i + 1 < sent.size() && i < 18; ++i)
            QCOMPARE_GE(sent[i + 1].timeUs - sent[i].timeUs, i % 3 == 1 ? 24'000 : 49'000);
    }
};

QTEST_MAIN(DeviceSelectionTest)
#include "device_selection_qtest.moc"
