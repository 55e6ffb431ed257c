// The upgrade is what the tool exists for: a wrong byte on the wire, a record sent from the wrong
// offset, a reply taken for another, a device that goes quiet, or a report out of order leaves a
// bricked device or a technician who trusts a failed upgrade. Every case runs the real window
// through the simulated bridge and reads back the transcript.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/Form1.h"
#include "app/MessageBoxes.h"
#include "link/Clock.h"
#include "link/PortHandle.h"
#include "sim/bridge/RecordFormat.h"
#include "tests/common/SimBridge.h"

namespace {

const QString Serial = QStringLiteral("TARV0001");
const QString Untouched = QStringLiteral("status will display here");
const QByteArray Key0 = QByteArrayLiteral("\xB5TARVEL0");

// The real window, noting what the procedure asks of it, and whether the device controls were
// held (and the file browser left live) while each box was up.
class RecordingWindow : public Form1 {
  public:
    void showMessage(const QString& text, MessageIcon icon) override {
        trail << (icon == MessageIcon::Warning ? "warning box: " : "information box: ") + text;
        heldAtBox << (!DevicesList->isEnabled() && !DevicesRescan->isEnabled() &&
                      !Upgrade->isEnabled() && Drive->isEnabled() && DirBox->isEnabled() &&
                      File->isEnabled());
        Form1::showMessage(text, icon);
    }
    void logLine(const QString& text) override {
        trail << text;
        Form1::logLine(text);
    }
    void setProgressMaximum(int maximum) override {
        maximums << maximum;
        Form1::setProgressMaximum(maximum);
    }
    void setProgressValue(int value) override {
        values << value;
        Form1::setProgressValue(value);
    }

    QStringList trail;
    QList<bool> heldAtBox;
    QList<int> maximums;
    QList<int> values;
};

QByteArray sealed(QByteArray record) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(record.data());
    bytes[sim::record::kChecksumIndex] = sim::record::checksumFor(bytes);
    return record;
}

// Payload bytes vary with the index, so a record sent from the wrong offset shows.
QByteArray dataRecord(int index) {
    QByteArray record(sim::record::kSize, '\0');
    record[0] = char(sim::record::kData);
    for (int i = 1; i < int(sim::record::kChecksumIndex); ++i) record[i] = char(index * 7 + i);
    return sealed(record);
}

QByteArray endRecord() {
    QByteArray record(sim::record::kSize, '\0');
    record[0] = char(sim::record::kEnd);
    return sealed(record);
}

// The key, dataRecords data records, then the end record the device answers 254.
QByteArray image(int dataRecords, const QByteArray& key = Key0) {
    QByteArray bytes = key;
    for (int i = 0; i < dataRecords; ++i) bytes += dataRecord(i);
    return bytes + endRecord();
}

QString printable(const QByteArray& bytes) {
    QString text;
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        if (value == '\n') {
            text += QStringLiteral("\\n");
        } else if (value == '\r') {
            text += QStringLiteral("\\r");
        } else if ((value >= 0x20 && value < 0x7F) || value == 0xB5) {
            text += QChar(value);
        } else {
            text += QStringLiteral("<%1>").arg(value, 2, 16, QLatin1Char('0'));
        }
    }
    return text;
}

// The transcript as readable steps; a 13-byte write is named by the file offset it matches,
// counting on from the last record, so an out-of-order record shows as "record ?".
QStringList wireSteps(const QList<SimEvent>& events, const QByteArray& file) {
    QStringList steps;
    QByteArray reply;
    int next = 0;
    auto flushReply = [&] {
        if (!reply.isEmpty()) steps << "← " + printable(reply);
        reply.clear();
    };
    for (const SimEvent& event : events) {
        if (event.kind == SimEvent::Kind::Read) {
            reply += event.bytes;
            continue;
        }
        flushReply();
        if (event.kind == SimEvent::Kind::Write && event.bytes.size() == 13) {
            const bool inOrder = event.bytes == file.mid(8 + 13 * next, 13);
            steps << (inOrder ? "record " + QString::number(next++) : QStringLiteral("record ?"));
        } else if (event.kind == SimEvent::Kind::Write) {
            steps << "→ " + printable(event.bytes);
        } else if (event.kind == SimEvent::Kind::Open) {
            steps << QStringLiteral("open");
        } else if (event.kind == SimEvent::Kind::OpenFailed) {
            steps << QStringLiteral("open failed");
        } else if (event.kind == SimEvent::Kind::Close) {
            steps << QStringLiteral("close");
        } else if (event.kind == SimEvent::Kind::Unplug) {
            steps << QStringLiteral("unplug");
        }
    }
    flushReply();
    return steps;
}

QStringList bootHandshake(const QString& deviceKey = QStringLiteral("µTARVEL0")) {
    return {"open",
            "→ id\\n",
            "← id µTarvellon\\n",
            "→ runlevel\\n",
            "← runlevel boot\\n",
            "→ firmkey\\n",
            "← firmkey " + deviceKey + "\\n",
            "→ monitor\\n",
            "← M"};
}

QStringList appHandshake() {
    const QStringList boot = bootHandshake();
    return boot.mid(0, 4) +
           QStringList{"← runlevel app\\n", "→ reset \\n", "← reset boot\\n", "→ runlevel\\n"} +
           boot.mid(4);
}

// Records 0 to count - 1 written, each with the acknowledgement the device gave.
QStringList records(int count, const QString& lastReply = QStringLiteral("← <fe>")) {
    QStringList steps;
    for (int i = 0; i < count; ++i) {
        steps << "record " + QString::number(i) << (i + 1 < count ? "← <00>" : lastReply);
    }
    return steps;
}

// 0 up to last, then the 0 that empties the bar when the record phase ends.
QList<int> progressTo(int last) {
    QList<int> values;
    for (int i = 0; i <= last; ++i) values << i;
    return values << 0;
}

const QStringList succeeded{"Openning file %1", "Upgrading firmware...",
                            "information box: Upgrade successfull.", "Upgrade successfull !", ""};
const QStringList notTalking{"Openning file %1", "warning box: Communication error.",
                             "Communication error.", "Upgrade failed. Please try again.", ""};
const QStringList notProgrammed{"Openning file %1",
                                "Upgrading firmware...",
                                "warning box: Programming error.",
                                "Programming error.",
                                "Upgrade failed. Please try again.",
                                ""};
const QStringList badFormat{"Openning file %1", "warning box: Firmware file format error.",
                            "Firmware file format error.", "Upgrade failed.", ""};

// What stands at the firmware path when the button is pressed.
enum class FileAt { Image, Nothing, Deleted, Folder, Sparse2GiB };

QStringList descriptorsOpenOn(const QString& path) {
    QStringList open;
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : descriptors.entryList(QDir::Files | QDir::System)) {
        if (QFile::symLinkTarget(descriptors.filePath(fd)) == path) open << fd;
    }
    return open;
}

}  // namespace

Q_DECLARE_METATYPE(FileAt)

class UpgradeTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void upgrade_data();
    void upgrade();

  private:
    std::unique_ptr<RecordingWindow> m_window;
    std::uint32_t m_clockMs = 0;
};

void UpgradeTest::init() {
    // Each look at the clock moves it on 100 ms, so a silent device meets the 10 s deadline at
    // once; a device that answers is never waited for, its replies already being there.
    Time::SetClockSource([this] { return m_clockMs += 100; });
    MessageBoxes::SetHandler([](const QString&, MessageIcon) {});
    m_window = std::make_unique<RecordingWindow>();
    m_window->show();
}

void UpgradeTest::cleanup() {
    m_window.reset();
    MessageBoxes::SetHandler({});
    Time::SetClockSource({});
}

void UpgradeTest::upgrade_data() {
    QTest::addColumn<QString>("device");  // settings of device TARV0001, after its serial
    QTest::addColumn<FileAt>("fileAt");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QStringList>("wire");
    QTest::addColumn<QStringList>("log");  // %1 is the firmware path
    QTest::addColumn<QString>("status");
    QTest::addColumn<QList<int>>("maximums");
    QTest::addColumn<QList<int>>("values");

    const QString boot = QStringLiteral("runlevel = boot\n");
    const QString app = QStringLiteral("runlevel = app\n");
    const QList<int> none;
    const QStringList nothing;

    QTest::newRow("device in its application")
        << app << FileAt::Image << image(2) << Serial
        << appHandshake() + records(3) + QStringList{"close"} << succeeded << "Ready."
        << QList<int>{3} << progressTo(1);
    QTest::newRow("device in its boot loader")
        << boot << FileAt::Image << image(2) << Serial
        << bootHandshake() + records(3) + QStringList{"close"} << succeeded << "Ready."
        << QList<int>{3} << progressTo(1);
    QTest::newRow("one record, six stray bytes after it")
        << boot << FileAt::Image << image(0) + "abcdef" << Serial
        << bootHandshake() + records(1) + QStringList{"close"} << succeeded << "Ready."
        << QList<int>{1} << QList<int>{0};
    QTest::newRow("1000 records in file order")
        << boot << FileAt::Image << image(999) << Serial
        << bootHandshake() + records(1000) + QStringList{"close"} << succeeded << "Ready."
        << QList<int>{1000} << progressTo(998);
    QTest::newRow("key 3 takes an image keyed 0")
        << boot + "key = µTARVEL3\n"
        << FileAt::Image << image(2) << Serial
        << bootHandshake("µTARVEL3") + records(3) + QStringList{"close"} << succeeded << "Ready."
        << QList<int>{3} << progressTo(1);

    // The handshake: every failure is the same exit, and leaves status and bar alone.
    QStringList wrongIdentity{"open", "→ id\\n", "← id Tarvellon\\n", "close"};
    QTest::newRow("wrong identity") << boot + "identity = id Tarvellon\n"
                                    << FileAt::Image << image(2) << Serial << wrongIdentity
                                    << notTalking << Untouched << none << none;
    QTest::newRow("reply ends in CR LF")
        << boot + "line_end = crlf\n"
        << FileAt::Image << image(2) << Serial
        << QStringList{"open", "→ id\\n", "← id µTarvellon\\r\\n", "close"} << notTalking
        << Untouched << none << none;
    const QStringList keyRefused = bootHandshake().mid(0, 7) + QStringList{"close"};
    QTest::newRow("key mismatch") << boot << FileAt::Image << image(2, "\xB5TARVEL7") << Serial
                                  << keyRefused << notTalking << Untouched << none << none;
    QTest::newRow("key differs in letter case")
        << boot << FileAt::Image << image(2, "\xB5TARVEl0") << Serial << keyRefused << notTalking
        << Untouched << none << none;
    QTest::newRow("key 3 refuses an image keyed 3")
        << boot + "key = µTARVEL3\n"
        << FileAt::Image << image(2, "\xB5TARVEL3") << Serial
        << bootHandshake("µTARVEL3").mid(0, 7) + QStringList{"close"} << notTalking << Untouched
        << none << none;
    QTest::newRow("banner after reset shifts the replies")
        << app + "banner = hello\n"
        << FileAt::Image << image(2) << Serial
        << appHandshake().mid(0, 8) + QStringList{"← hello\\n", "close"} << notTalking << Untouched
        << none << none;
    QTest::newRow("no M but another byte")
        << boot + "flood_command = monitor\nflood_bytes = 1\n"
        << FileAt::Image << image(2) << Serial
        << bootHandshake().mid(0, 8) + QStringList{"← x", "close"} << notTalking << Untouched
        << none << none;
    QTest::newRow("silent after monitor")
        << boot + "silent_from_command = monitor\n"
        << FileAt::Image << image(2) << Serial << bootHandshake().mid(0, 8) + QStringList{"close"}
        << notTalking << Untouched << none << none;

    // The record phase: every failure is a programming error that empties the bar.
    QTest::newRow("record refused in the middle")
        << boot + "refuse_record = 3\n"
        << FileAt::Image << image(4) << Serial
        << bootHandshake() + records(3, "← <01>") + QStringList{"close"} << notProgrammed
        << "Ready." << QList<int>{5} << progressTo(1);
    QTest::newRow("254 before the last record")
        << boot << FileAt::Image << Key0 + dataRecord(0) + endRecord() + dataRecord(1) << Serial
        << bootHandshake() + records(2) + QStringList{"close"} << notProgrammed << "Ready."
        << QList<int>{3} << progressTo(0);
    QTest::newRow("0 for the last record")
        << boot << FileAt::Image << Key0 + dataRecord(0) + dataRecord(1) << Serial
        << bootHandshake() + records(2, "← <00>") + QStringList{"close"} << notProgrammed
        << "Ready." << QList<int>{2} << progressTo(0);
    QTest::newRow("silence after record 100")
        << boot + "silent_from_record = 101\n"
        << FileAt::Image << image(199) << Serial
        << bootHandshake() + records(101).mid(0, 201) + QStringList{"close"} << notProgrammed
        << "Ready." << QList<int>{200} << progressTo(99);
    QTest::newRow("unplugged in the middle")
        << boot + "unplug_at_record = 3\n"
        << FileAt::Image << image(4) << Serial
        << bootHandshake() + records(3).mid(0, 5) + QStringList{"unplug", "close"} << notProgrammed
        << "Ready." << QList<int>{5} << progressTo(1);

    // The early exits, each taken before the checks that follow it.
    QTest::newRow("no file, no device")
        << boot << FileAt::Nothing << QByteArray() << QString() << nothing
        << QStringList{"information box: Please select a firmware file first.",
                       "Please select a firmware file first.", "Upgrade cancelled.", ""}
        << Untouched << none << none;
    QTest::newRow("file deleted since it was chosen")
        << boot << FileAt::Deleted << image(2) << QString() << nothing
        << QStringList{"warning box: Can't find file %1", "Can't find file %1",
                       "Upgrade cancelled.", ""}
        << Untouched << none << none;
    QTest::newRow("7 bytes") << boot << FileAt::Image << Key0.left(7) << QString() << nothing
                             << badFormat << Untouched << none << none;
    QTest::newRow("key only") << boot << FileAt::Image << Key0 << Serial << nothing << badFormat
                              << Untouched << none << none;
    QTest::newRow("part of a record")
        << boot << FileAt::Image << Key0 + endRecord().left(12) << QString() << nothing << badFormat
        << Untouched << none << none;
    QTest::newRow("seven bytes after the last record")
        << boot << FileAt::Image << image(0) + "abcdefg" << Serial << nothing << badFormat
        << Untouched << none << none;
    QTest::newRow("longer than 2 GiB") << boot << FileAt::Sparse2GiB << Key0 << Serial << nothing
                                       << badFormat << Untouched << none << none;
    QTest::newRow("cannot be read")
        << boot << FileAt::Folder << QByteArray() << QString() << nothing
        << QStringList{"Openning file %1", "warning box: Can't read file %1", "Can't read file %1",
                       "Upgrade cancelled.", ""}
        << Untouched << none << none;
    QTest::newRow("no device selected")
        << boot << FileAt::Image << image(2) << QString() << nothing
        << QStringList{"Openning file %1", "information box: Please select a device first.",
                       "Please select a device first.", "Upgrade cancelled.", ""}
        << Untouched << none << none;
    QTest::newRow("device cannot be opened")
        << boot + "open = fails\n"
        << FileAt::Image << image(2) << Serial << QStringList{"open failed"} << notTalking
        << Untouched << none << none;
}

void UpgradeTest::upgrade() {
    QFETCH(QString, device);
    QFETCH(FileAt, fileAt);
    QFETCH(QByteArray, file);
    QFETCH(QString, serial);
    QFETCH(QStringList, wire);
    QFETCH(QStringList, log);
    QFETCH(QString, status);
    QFETCH(QList<int>, maximums);
    QFETCH(QList<int>, values);

    SimBridge bridge("device = " + Serial + "\nlatency_ms = 0\nprogram_ms = 0\n" + device);
    QVERIFY(bridge.ready());
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("image.frw"));
    if (fileAt == FileAt::Folder) {
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("image.frw")));
    } else if (fileAt != FileAt::Nothing) {
        QFile image(path);
        QVERIFY(image.open(QIODevice::WriteOnly) && image.write(file) == file.size());
        if (fileAt == FileAt::Sparse2GiB) QVERIFY(image.resize(qint64(1) << 31));
        image.close();
        if (fileAt == FileAt::Deleted) QVERIFY(QFile::remove(path));
    }
    m_window->FirmwarePath = fileAt == FileAt::Nothing ? QString() : path;
    m_window->DeviceSerial = serial;

    QTest::mouseClick(m_window->Upgrade, Qt::LeftButton);

    QStringList expectedLog;
    for (const QString& line : log) expectedLog << (line.contains("%1") ? line.arg(path) : line);
    QCOMPARE(m_window->trail, expectedLog);
    QStringList pane = m_window->Logbox->toPlainText().split(u'\n');
    pane.removeLast();
    expectedLog.removeIf([](const QString& line) { return line.contains(" box: "); });
    QCOMPARE(pane, expectedLog);
    QCOMPARE(m_window->heldAtBox, QList<bool>{true});

    QCOMPARE(wireSteps(bridge.events(), file), wire);
    QCOMPARE(m_window->Status->text(), status);
    QCOMPARE(m_window->maximums, maximums);
    QCOMPARE(m_window->values, values);
    QCOMPARE(m_window->ProgressBar->maximum(), maximums.isEmpty() ? 100 : maximums.last());
    QCOMPARE(m_window->ProgressBar->value(), 0);

    QVERIFY(m_window->Upgrade->isEnabled());
    QVERIFY(m_window->DevicesList->isEnabled());
    QVERIFY(m_window->DevicesRescan->isEnabled());
    QVERIFY(!PortHandle.isOpen());
    QCOMPARE(descriptorsOpenOn(path), QStringList());
}

QTEST_MAIN(UpgradeTest)
#include "upgrade_qtest.moc"
