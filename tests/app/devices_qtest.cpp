// Selecting a device is how the technician tells the bridges on the bench apart, and the selection
// is what the upgrade later talks to: a wrong frame, a read that swallows a reply, or a second
// operation let in while the blink waits would reach the wrong device or corrupt a transfer.

#include <QtTest>
#include <memory>

#include "app/Form1.h"
#include "app/MessageBoxes.h"
#include "link/EventPump.h"
#include "link/FTDI.h"
#include "link/PortHandle.h"
#include "support/Logging.h"
#include "tests/common/SimBridge.h"

namespace {

const QString Old = QStringLiteral("TARV-OLD");
const QString None = QStringLiteral("-- none selected --");
const QString Untouched = QStringLiteral("status will display here");
const QString Ready = QStringLiteral("Please select a file.");
const QString AB = QStringLiteral("device = A\ndevice = B");

QStringList blinkLog(const QString& serial) {
    return {"New device selected : " + serial, "Sending commands to toggle activity led.", ""};
}

QList<QByteArray> blinkFrames(qsizetype blinks) {
    const QList<QByteArray> pass{"led off\n", "led on\n", "led off\n"};
    QList<QByteArray> frames;
    while (blinks-- > 0) frames << pass << pass << pass << pass << pass << pass << "reset\n";
    return frames;
}

}  // namespace

class DevicesTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void operatorSees_data();
    void operatorSees();

  private:
    // The old bridge must be gone first: its destructor puts the default devices back.
    bool attach(const QString& config) {
        m_bridge.reset();
        return (m_bridge = std::make_unique<SimBridge>(config))->ready();
    }
    void clickEntry(int row) {
        QListWidget* list = m_window->DevicesList;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }
    bool controlsLive() const {
        return m_window->DevicesList->isEnabled() && m_window->DevicesRescan->isEnabled() &&
               m_window->Upgrade->isEnabled();
    }

    std::unique_ptr<SimBridge> m_bridge;
    std::unique_ptr<Form1> m_window;
};

// A box is noted in the log pane at the point it came up.
void DevicesTest::init() {
    EventPump::Set({});
    m_window = std::make_unique<Form1>();
    m_window->DeviceSerial = Old;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    MessageBoxes::SetHandler([](const QString& text, MessageIcon icon) {
        Logging::LogLine((icon == MessageIcon::Warning ? "warning box: " : "box: ") + text);
    });
}

// Every row scans first. "unplug" leaves only A attached, "unload" forgets the loaded library,
// "meddle" clicks the list and Upgrade and calls their handlers while the fourth frame's wait runs.
// Seen: the list, the label, DeviceSerial, the status, the devices opened, then the log pane.
void DevicesTest::operatorSees_data() {
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

void DevicesTest::operatorSees() {
    QFETCH(QString, config);
    QFETCH(QString, actions);
    QFETCH(QStringList, seen);
    QVERIFY(attach(config));
    m_window->RescanDevices();
    m_window->DevicesRescan->setFocus();

    for (const QString& action : actions.split(u' ', Qt::SkipEmptyParts)) {
        if (action.startsWith("click")) clickEntry(action.back().digitValue());
        if (action == "down") QTest::keyClick(m_window->DevicesList, Qt::Key_Down);
        if (action == "rescan") QTest::mouseClick(m_window->DevicesRescan, Qt::LeftButton);
        if (action == "focus") QTest::keyClick(m_window->DevicesRescan, Qt::Key_Backtab);
        if (action == "unplug") QVERIFY(attach("device = A"));
        if (action == "unload") FTDI::InstallApi(nullptr);
        if (action == "meddle") {
            m_window->FirmwarePath = QStringLiteral(SAMPLE_IMAGES_DIR "/three-records.frw");
            EventPump::Set([this, done = false]() mutable {
                if (!done && m_bridge->writes().size() == 4) {
                    done = true;
                    Logging::LogLine(controlsLive() ? "live" : "held");
                    clickEntry(1);
                    QTest::mouseClick(m_window->Upgrade, Qt::LeftButton);
                    m_window->DevicesList_Click();
                    m_window->Upgrade_Click();
                }
                QCoreApplication::processEvents();
            });
        }
    }

    QStringList listed;
    for (int row = 0; row < m_window->DevicesList->count(); ++row)
        listed << m_window->DevicesList->item(row)->text();
    QStringList opened;
    for (const SimEvent& open : m_bridge->events(SimEvent::Kind::Open)) opened << open.serial;
    // The pane's text ends with a line break.
    QCOMPARE(QStringList({listed.join(u' '), m_window->CurrentDeviceLabel->text(),
                          m_window->DeviceSerial, m_window->Status->text(), opened.join(u' ')}) +
                 m_window->Logbox->toPlainText().split(u'\n'),
             seen << "");
    QCOMPARE(m_bridge->writes(), blinkFrames(opened.size()));
    QVERIFY(m_bridge->events(SimEvent::Kind::Read).isEmpty());
    QCOMPARE(m_bridge->events(SimEvent::Kind::Close).size(), opened.size());
    QVERIFY(!PortHandle.isOpen() && controlsLive());

    // The LED is on from each "led on" to the next frame. The clock counts whole milliseconds, so
    // a wait may measure up to 1 ms short on the wire.
    const QList<SimEvent> sent = m_bridge->events(SimEvent::Kind::Write);
    qint64 onUs = 0, offUs = 0;
    for (qsizetype i = 0; i + 1 < sent.size() && i < 18; ++i) {
        const qint64 gap = sent[i + 1].timeUs - sent[i].timeUs;
        QVERIFY2(gap >= (i % 3 == 1 ? 24'000 : 49'000), qPrintable(QString("gap %1").arg(i)));
        (i % 3 == 1 ? onUs : offUs) += gap;
    }
    QVERIFY2(3 * onUs <= offUs, "on for the 25 ms wait of a pass, off for its two 50 ms waits");
}

QTEST_MAIN(DevicesTest)
#include "devices_qtest.moc"
