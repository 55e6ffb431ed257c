// Selecting a device is how the technician tells the bridges on the bench apart, and the selection
// is what the upgrade later talks to: a wrong frame, a read that swallows a reply, or a second
// operation let in while the blink waits would reach the wrong device or corrupt a transfer.

#include <QtTest>
#include <memory>

#include "app/Form1.h"
#include "app/MessageBoxes.h"
#include "link/DeviceCommands.h"
#include "link/EventPump.h"
#include "link/FTDI.h"
#include "link/PortHandle.h"
#include "tests/common/SimBridge.h"

namespace {

const QString Before = QStringLiteral("TARV-OLD");
const QString NoneSelected = QStringLiteral("-- none selected --");

// The real window; each status caption is noted with the number of frames on the wire so far.
class RecordingWindow : public Form1 {
  public:
    explicit RecordingWindow(std::function<qsizetype()> writesSoFar)
        : m_writesSoFar(std::move(writesSoFar)) {}
    void setStatus(const QString& caption) override {
        statuses.append(QString::number(m_writesSoFar()) + ":" + caption);
        Form1::setStatus(caption);
    }
    QStringList statuses;

  private:
    std::function<qsizetype()> m_writesSoFar;
};

QList<QByteArray> blinkFrames() {
    QList<QByteArray> frames;
    for (int pass = 0; pass < 6; ++pass) {
        frames << DeviceCommands::LedOff().toLatin1() << DeviceCommands::LedOn().toLatin1()
               << DeviceCommands::LedOff().toLatin1();
    }
    return frames << DeviceCommands::Reset().toLatin1();
}

QStringList serialsOf(const QList<SimEvent>& events) {
    QStringList serials;
    for (const SimEvent& event : events) serials << event.serial;
    return serials;
}

}  // namespace

class DevicesTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void rescanListsTheAttachedDevices_data();
    void rescanListsTheAttachedDevices();
    void selectionOutcome_data();
    void selectionOutcome();
    void blinkOnTheWire();
    void operatorActionsThatSelect_data();
    void operatorActionsThatSelect();
    void nothingElseReachesTheDeviceDuringTheBlink_data();
    void nothingElseReachesTheDeviceDuringTheBlink();

  private:
    bool attach(const QString& config);
    void clickEntry(int row);
    QStringList logLines() const;

    std::unique_ptr<SimBridge> m_bridge;
    std::unique_ptr<RecordingWindow> m_window;
    QStringList m_boxes;  // each box's text, then the log as it stood when the box came up
};

void DevicesTest::init() {
    m_window = std::make_unique<RecordingWindow>(
        [this] { return m_bridge ? m_bridge->writes().size() : 0; });
    m_window->DeviceSerial = Before;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    MessageBoxes::SetHandler([this](const QString& text, MessageIcon icon) {
        m_boxes << (icon == MessageIcon::Warning ? "warning: " : "information: ") + text
                << m_window->Logbox->toPlainText();
    });
}

void DevicesTest::cleanup() {
    EventPump::Set({});
    MessageBoxes::SetHandler({});
    m_boxes.clear();
    m_window.reset();
    m_bridge.reset();
}

// The old bridge must be gone first: its destructor puts the default devices back.
bool DevicesTest::attach(const QString& config) {
    m_bridge.reset();
    m_bridge = std::make_unique<SimBridge>(config);
    return m_bridge->ready();
}

void DevicesTest::clickEntry(int row) {
    QListWidget* list = m_window->DevicesList;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

QStringList DevicesTest::logLines() const {
    QStringList lines = m_window->Logbox->toPlainText().split(u'\n');
    lines.removeLast();
    return lines;
}

void DevicesTest::rescanListsTheAttachedDevices_data() {
    QTest::addColumn<QString>("config");
    QTest::addColumn<bool>("libraryAppearsLater");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("three in index order")
        << "device = A\ndevice = C\ndevice = B" << false << QStringList{"A", "C", "B"};
    QTest::newRow("none attached") << "" << false << QStringList{"No device found."};
    QTest::newRow("driver installed while running") << "device = A" << true << QStringList{"A"};
}

void DevicesTest::rescanListsTheAttachedDevices() {
    QFETCH(QString, config);
    QFETCH(bool, libraryAppearsLater);
    QFETCH(QStringList, entries);
    QVERIFY(attach(config));
    if (libraryAppearsLater) FTDI::InstallApi(nullptr);
    m_window->DevicesList->addItem(QStringLiteral("Driver not installed"));

    QTest::mouseClick(m_window->DevicesRescan, Qt::LeftButton);

    QStringList listed;
    for (int row = 0; row < m_window->DevicesList->count(); ++row)
        listed << m_window->DevicesList->item(row)->text();
    QCOMPARE(listed, entries);
    QCOMPARE(m_window->DevicesList->currentRow(), -1);
    QCOMPARE(m_window->DeviceSerial, Before);
    QCOMPARE(m_window->CurrentDeviceLabel->text(), NoneSelected);
    QCOMPARE(m_window->Logbox->toPlainText(), QString());
    QVERIFY(m_bridge->events(SimEvent::Kind::Open).isEmpty());
}

void DevicesTest::selectionOutcome_data() {
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("configAtSelection");  // "" keeps the devices of the scan
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("writes");

    const QStringList blinkLog{"New device selected : B",
                               "Sending commands to toggle activity led.", ""};
    QTest::newRow("blink, device answers and nothing is read")
        << "device = A\ndevice = B\nbanner = hello\nline_end = crlf"
        << "" << 1 << QStringList{} << blinkLog << "B"
        << "B"
        << "Please select a file." << 19;
    QTest::newRow("no device found") << ""
                                     << "" << 0 << QStringList{"warning: No device found.", ""}
                                     << QStringList{"No device found.", ""} << NoneSelected
                                     << Before << "status will display here" << 0;
    const QStringList failedLog{"New device selected : B",
                                "Can't talk to device, check connection."};
    QTest::newRow("unplugged since the scan")
        << "device = A\ndevice = B"
        << "device = A" << 1 << QStringList{} << failedLog << "B"
        << ""
        << "Please select a file and device." << 0;
}

void DevicesTest::selectionOutcome() {
    QFETCH(QString, config);
    QFETCH(QString, configAtSelection);
    QFETCH(int, row);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, log);
    QFETCH(QString, label);
    QFETCH(QString, serial);
    QFETCH(QString, status);
    QFETCH(int, writes);
    QVERIFY(attach(config));
    m_window->RescanDevices();
    if (!configAtSelection.isEmpty()) QVERIFY(attach(configAtSelection));

    clickEntry(row);

    QCOMPARE(m_boxes, boxes);
    QCOMPARE(logLines(), log);
    QCOMPARE(m_window->CurrentDeviceLabel->text(), label);
    QCOMPARE(m_window->DeviceSerial, serial);
    QCOMPARE(m_window->Status->text(), status);
    QCOMPARE(m_bridge->writes().size(), writes);
    QVERIFY(m_bridge->events(SimEvent::Kind::Read).isEmpty());
    QVERIFY(!PortHandle.isOpen());
}

void DevicesTest::blinkOnTheWire() {
    QVERIFY(attach("device = A"));
    m_window->RescanDevices();
    clickEntry(0);

    QCOMPARE(m_bridge->writes(), blinkFrames());
    QCOMPARE(m_bridge->events().last().kind, SimEvent::Kind::Close);

    QStringList statuses{"0:Toggling activity led."};
    for (int pass = 0; pass < 6; ++pass)
        statuses << QString::number(3 * pass + 1) + ":Toggling activity led..."
                 << QString::number(3 * pass + 3) + ":";
    QCOMPARE(m_window->statuses, statuses);

    // The clock counts whole milliseconds, so a wait may measure up to 1 ms short on the wire.
    const QList<SimEvent> frames = m_bridge->events(SimEvent::Kind::Write);
    qint64 onUs = 0;
    qint64 offUs = 0;
    for (int pass = 0; pass < 6; ++pass) {
        const qint64 off = frames[3 * pass + 1].timeUs - frames[3 * pass].timeUs;
        const qint64 on = frames[3 * pass + 2].timeUs - frames[3 * pass + 1].timeUs;
        const qint64 offAfter = frames[3 * pass + 3].timeUs - frames[3 * pass + 2].timeUs;
        QVERIFY2(on >= 24'000 && off >= 49'000 && offAfter >= 49'000,
                 qPrintable(QString("pass %1: off %2 us, on %3 us").arg(pass).arg(off).arg(on)));
        onUs += on;
        offUs += off;
    }
    QVERIFY2(onUs < offUs, "the LED is on for the short wait, off for the long one");
}

void DevicesTest::operatorActionsThatSelect_data() {
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("click") << QStringList{"click 1"} << QStringList{"B"};
    QTest::newRow("same entry twice") << QStringList{"click 0", "click 0"} << QStringList{"A", "A"};
    QTest::newRow("arrow keys") << QStringList{"down", "down"} << QStringList{"A", "B"};
    QTest::newRow("arrow key at the end") << QStringList{"click 1", "down"} << QStringList{"B"};
    QTest::newRow("re-scan keeps the selection")
        << QStringList{"click 1", "rescan"} << QStringList{"B"};
    QTest::newRow("focus alone") << QStringList{"focus"} << QStringList{};
}

void DevicesTest::operatorActionsThatSelect() {
    QFETCH(QStringList, actions);
    QFETCH(QStringList, opened);
    QVERIFY(attach("device = A\ndevice = B"));
    m_window->RescanDevices();
    m_window->DevicesRescan->setFocus();

    for (const QString& action : actions) {
        if (action.startsWith("click")) clickEntry(action.back().digitValue());
        if (action == "down") QTest::keyClick(m_window->DevicesList, Qt::Key_Down);
        if (action == "rescan") QTest::mouseClick(m_window->DevicesRescan, Qt::LeftButton);
        if (action == "focus") QTest::keyClick(m_window->DevicesRescan, Qt::Key_Backtab);
    }

    QCOMPARE(serialsOf(m_bridge->events(SimEvent::Kind::Open)), opened);
    QCOMPARE(m_bridge->writes().size(), 19 * opened.size());
    const QString current = opened.isEmpty() ? Before : opened.last();
    QCOMPARE(m_window->DeviceSerial, current);
    QCOMPARE(m_window->CurrentDeviceLabel->text(), opened.isEmpty() ? NoneSelected : current);
}

void DevicesTest::nothingElseReachesTheDeviceDuringTheBlink_data() {
    QTest::addColumn<bool>("upgradeEnabledBefore");
    QTest::newRow("upgrade enabled") << true;
    QTest::newRow("upgrade already disabled") << false;
}

void DevicesTest::nothingElseReachesTheDeviceDuringTheBlink() {
    QFETCH(bool, upgradeEnabledBefore);
    QVERIFY(attach("device = A\ndevice = B\nrunlevel = boot"));
    m_window->RescanDevices();
    m_window->FirmwarePath = QStringLiteral(SAMPLE_IMAGES_DIR "/three-records.frw");
    m_window->Upgrade->setEnabled(upgradeEnabledBefore);
    m_window->DevicesList->setFocus();

    QList<bool> enabledDuring;
    EventPump::Set([&] {
        if (enabledDuring.isEmpty() && m_bridge->writes().size() == 4) {
            enabledDuring << m_window->DevicesList->isEnabled()
                          << m_window->DevicesRescan->isEnabled() << m_window->Upgrade->isEnabled();
            clickEntry(1);
            QTest::keyClick(m_window->DevicesList, Qt::Key_Down);
            QTest::mouseClick(m_window->Upgrade, Qt::LeftButton);
            QTest::mouseClick(m_window->DevicesRescan, Qt::LeftButton);
            m_window->DevicesList_Click();
            m_window->DevicesRescan_Click();
        }
        QCoreApplication::processEvents();
    });
    clickEntry(0);

    QCOMPARE(enabledDuring, QList<bool>({false, false, false}));
    QCOMPARE(serialsOf(m_bridge->events(SimEvent::Kind::Open)), QStringList{"A"});
    QCOMPARE(m_bridge->writes(), blinkFrames());
    QCOMPARE(m_boxes, QStringList());
    QCOMPARE(logLines(), QStringList({"New device selected : A",
                                      "Sending commands to toggle activity led.", ""}));
    QCOMPARE(m_window->DevicesList->currentRow(), 0);
    QVERIFY(m_window->DevicesList->isEnabled());
    QVERIFY(m_window->DevicesRescan->isEnabled());
    QCOMPARE(m_window->Upgrade->isEnabled(), upgradeEnabledBefore);
    QCOMPARE(QApplication::focusWidget(), m_window->DevicesList);
}

QTEST_MAIN(DevicesTest)
#include "devices_qtest.moc"
