// The upgrade is what the tool exists for: a wrong byte on the wire, a record sent from the wrong
// offset, a reply taken for another, a device that goes quiet, a file length misread, or a report
// out of order leaves a bricked device or a technician who trusts a failed upgrade. Every case
// runs the real window through the simulated bridge and reads back the transcript.

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "app/Form1.h"
#include "app/MessageBoxes.h"
#include "link/Clock.h"
#include "link/PortHandle.h"
#include "sim/bridge/RecordFormat.h"
#include "tests/common/SimBridge.h"

namespace {

// The real window, noting what the procedure asks of it. A box shown while the device controls
// are live, or the file browser is not, says so in the trail.
class RecordingWindow : public Form1 {
  public:
    void showMessage(const QString& text, MessageIcon icon) override {
        const bool held = !DevicesList->isEnabled() && !DevicesRescan->isEnabled() &&
                          !Upgrade->isEnabled() && Drive->isEnabled() && DirBox->isEnabled() &&
                          File->isEnabled();
        trail << (icon == MessageIcon::Warning ? "warning box: " : "information box: ") + text +
                     (held ? "" : " (device controls live)");
        Form1::showMessage(text, icon);
    }
    void logLine(const QString& text) override {
        trail << text;
        Form1::logLine(text);
    }
    void setProgressValue(int value) override {
        values << value;
        Form1::setProgressValue(value);
    }
    QStringList trail;
    QList<int> values;
};

// Bytes 1 and 2 carry the record's index, so a record sent from the wrong offset shows.
QByteArray record(bool end, int index) {
    QByteArray bytes = QByteArray(1, end ? sim::record::kEnd : sim::record::kData) + char(index) +
                       char(index >> 8) + QByteArray(10, 'Z');
    const auto* first = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    bytes[sim::record::kChecksumIndex] = char(sim::record::checksumFor(first));
    return bytes;
}

// Writes the image a row names and returns the bytes written: a key and ':' (the key µTARVEL0
// when left out), then items of a count and a letter: d data records, e end records, x stray
// bytes, z zeros up to that length. "none" selects no file, "gone" a path where nothing is, "dir"
// a folder.
QByteArray makeImage(const QString& spec, const QString& path) {
    if (spec == "dir") QDir().mkdir(path);
    if (spec == "none" || spec == "gone" || spec == "dir") return {};
    const qsizetype colon = spec.indexOf(':');
    QByteArray bytes = (colon < 0 ? QStringLiteral("µTARVEL0") : spec.left(colon)).toLatin1();
    qint64 length = 0;
    static const QRegularExpression item(QStringLiteral("(\\d+)([dexz])"));
    for (const QRegularExpressionMatch& match : item.globalMatch(spec.mid(colon + 1))) {
        const qint64 count = match.captured(1).toLongLong();
        const QChar letter = match.captured(2).front();
        if (letter == 'x') bytes += QByteArray(count, 'x');
        if (letter == 'z') length = count;
        for (qint64 i = 0; (letter == 'd' || letter == 'e') && i < count; ++i)
            bytes += record(letter == 'e', bytes.size() / 13);
    }
    QFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    return written && (length == 0 || file.resize(length)) ? bytes : QByteArray();
}

// The transcript as steps, bytes percent-encoded; a 13-byte write is named by the file offset it
// matches, counting on from the last record ("#?" out of order). Past the bytes written, a
// sparse file holds zeros.
QStringList wireSteps(const QList<SimEvent>& events, const QByteArray& file) {
    using Kind = SimEvent::Kind;
    // Indexed by Kind, each followed by the event's bytes; commands are skipped.
    static const char* const marks[] = {"open", "open failed ", "→ ", "← ", "close", "", "unplug"};
    QStringList steps;
    int next = 0;
    for (const SimEvent& event : events) {
        const Kind kind = event.kind;
        if (kind == Kind::Command || (kind == Kind::Read && event.bytes.isEmpty())) continue;
        const QString bytes = QString::fromLatin1(event.bytes.toPercentEncoding(" "));
        const QByteArray due = file.mid(8 + 13 * next, 13).leftJustified(13, '\0');
        const bool wholeRecord = kind == Kind::Write && event.bytes.size() == 13;
        const bool more = kind == Kind::Read && steps.value(steps.size() - 1).startsWith("← ");
        if (more) steps.last() += bytes;
        if (wholeRecord) steps << (event.bytes == due ? "#" + QString::number(next++) : "#?");
        if (!wholeRecord && !more) steps << marks[int(kind)] + bytes;
    }
    return steps;
}

// The wire a row expects, '|' between steps: "B" or "A" the handshake with a device in its boot
// loader or its application, "B7" its first 7 steps; "R3:FE" records 0 to 2, each answered 0 but
// the last, answered 254; any other step as written. A device opened is closed, last.
QStringList expectedWire(const QString& wire, const QString& device) {
    const QString key = QRegularExpression("key=µTARVEL(.)").match(device).captured(1);
    const QString boot =
        "open|→ id%0A|← id %B5Tarvellon%0A|→ runlevel%0A|← runlevel boot%0A|"
        "→ firmkey%0A|← firmkey %B5TARVEL" +
        (key.isEmpty() ? "0" : key) + "%0A|→ monitor%0A|← M";
    const QString app = QString(boot).replace(
        "|← runlevel boot",
        "|← runlevel app%0A|→ reset %0A|← reset boot%0A|→ runlevel%0A|← runlevel boot");
    static const QRegularExpression shorthand(QStringLiteral("^(?:([AB])(\\d*)|R(\\d+):(..))$"));
    QStringList steps;
    for (const QString& step : wire.split('|', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch match = shorthand.match(step);
        const int count = match.captured(2).isEmpty() ? -1 : match.captured(2).toInt();
        if (!match.hasMatch()) steps << step;
        if (match.hasCaptured(1))
            steps << (match.captured(1) == "A" ? app : boot).split('|').mid(0, count);
        for (int i = 0, n = match.captured(3).toInt(); i < n; ++i)
            steps << "#" + QString::number(i) << "← %" + (i + 1 < n ? "00" : match.captured(4));
    }
    return steps.value(0) == "open" ? steps << "close" : steps;
}

const QString Opening = "Openning file %1", Again = "Upgrade failed. Please try again.";
const QString Cancelled = "Upgrade cancelled.";

// An exit's lines: those before its box, the box, the same text logged, the closing words, "".
QStringList box(const QString& icon, const QString& text, const QString& closing,
                QStringList before = {Opening}) {
    return before << icon + " box: " + text << text << closing << "";
}

const QStringList Ok{Opening, "Upgrading firmware...", "information box: Upgrade successfull.",
                     "Upgrade successfull !", ""};
const QStringList Comm = box("warning", "Communication error.", Again);
const QStringList Prog =
    box("warning", "Programming error.", Again, {Opening, "Upgrading firmware..."});
const QStringList Format = box("warning", "Firmware file format error.", "Upgrade failed.");
const QStringList NoFile =
    box("information", "Please select a firmware file first.", Cancelled, {});
const QStringList Unreadable = box("warning", "Can't read file %1", Cancelled);
const QStringList NoDevice = box("information", "Please select a device first.", Cancelled);

// device: simulator settings for TARV0001 after "runlevel=boot", ';' between them. The device is
// selected only where the wire is used, so each early exit also shows it comes before that check.
// maximum: of the progress bar, 0 when the record phase never began (the status then untouched);
// last: the progress value before the bar empties again.
struct Row {
    const char* name;
    QString device, image, wire;
    QStringList trail;
    int maximum = 0, last = -1;
};
const Row rows[] = {
    {"device in its application", "runlevel=app", "2d1e", "A|R3:FE", Ok, 3, 1},
    {"device in its boot loader", "", "2d1e", "B|R3:FE", Ok, 3, 1},
    {"any other first run level", "runlevel_reply=runlevel loader", "2d1e",
     "B4|← runlevel loader%0A|→ firmkey%0A|← firmkey %B5TARVEL0%0A|→ monitor%0A|← M|R3:FE", Ok, 3,
     1},
    {"six stray bytes ignored", "", "1e6x", "B|R1:FE", Ok, 1, -1},
    {"1000 records in file order", "", "999d1e", "B|R1000:FE", Ok, 1000, 998},
    {"2 GiB less a byte", "refuse_record=1", "2147483647z", "B|R1:01", Prog, 165191049, -1},
    {"key 3 takes an image keyed 0", "key=µTARVEL3", "2d1e", "B|R3:FE", Ok, 3, 1},
    {"key 3 refuses an image keyed 3", "key=µTARVEL3", "µTARVEL3:2d1e", "B7", Comm},
    {"wrong identity", "identity=id Tarvellon", "2d1e", "B2|← id Tarvellon%0A", Comm},
    {"reply ends in CR LF", "line_end=crlf", "2d1e", "B2|← id %B5Tarvellon%0D%0A", Comm},
    {"key mismatch", "", "µTARVEL7:2d1e", "B7", Comm},
    {"key differs in letter case", "", "µTARVEl0:2d1e", "B7", Comm},
    {"banner after reset", "runlevel=app;banner=hello", "2d1e", "A8|← hello%0A", Comm},
    {"no M but another byte", "flood_command=monitor;flood_bytes=1", "2d1e", "B8|← x", Comm},
    {"silent after monitor", "silent_from_command=monitor", "2d1e", "B8", Comm},
    {"record refused in the middle", "refuse_record=3", "4d1e", "B|R3:01", Prog, 5, 1},
    {"254 before the last record", "", "1d1e1d", "B|R2:FE", Prog, 3, 0},
    {"0 for the last record", "", "2d", "B|R2:00", Prog, 2, 0},
    {"silent after record 100", "silent_from_record=101", "199d1e", "B|R100:00|#100", Prog, 200,
     99},
    {"unplugged in the middle", "unplug_at_record=3", "4d1e", "B|R2:00|#2|unplug", Prog, 5, 1},
    {"no file", "", "none", "", NoFile},
    {"deleted file", "", "gone", "", box("warning", "Can't find file %1", Cancelled, {})},
    {"empty file", "", ":", "", Format},
    {"7 bytes", "", "µTARVEL:", "", Format},
    {"key only", "", "", "", Format},
    {"key and 6 bytes", "", "6x", "", Format},
    {"key and part of a record", "", "12x", "", Format},
    {"7 bytes after the last record", "", "1e7x", "", Format},
    {"2 GiB", "", "2147483648z", "", Format},
    {"4 GiB and one record", "", "1e4294967317z", "", Format},
    {"cannot be read", "", "dir", "", Unreadable},
    {"no device", "", "2d1e", "", NoDevice},
    {"device cannot be opened", "open=fails", "2d1e", "open failed TARV0001", Comm},
};

// What a run left behind: a device control still disabled, the device or the file still open.
QStringList leftOver(const Form1& window, const QString& path) {
    QStringList left;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System))
        if (QFile::symLinkTarget(fds.filePath(fd)) == path) left << "file open";
    if (PortHandle.isOpen()) left << "device open";
    const bool enabled = window.Upgrade->isEnabled() && window.DevicesList->isEnabled() &&
                         window.DevicesRescan->isEnabled();
    return enabled ? left : left << "device controls disabled";
}

}  // namespace

class UpgradeTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        // Each look at the clock moves it on 100 ms, so a silent device meets the 10 s deadline
        // at once; a device that answers is never waited for, its replies already being there.
        Time::SetClockSource([ms = std::uint32_t(0)]() mutable { return ms += 100; });
        MessageBoxes::SetHandler([](const QString&, MessageIcon) {});
    }
    void upgrade_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(rows)); ++i) QTest::newRow(rows[i].name) << i;
    }
    void upgrade();
};

void UpgradeTest::upgrade() {
    QFETCH(int, row);
    const Row& r = rows[row];
    SimBridge bridge("device = TARV0001\nlatency_ms = 0\nprogram_ms = 0\nrunlevel = boot\n" +
                     QString(r.device).replace(';', '\n'));
    QVERIFY(bridge.ready());
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("image.frw"));
    const QByteArray file = makeImage(r.image, path);
    RecordingWindow window;
    window.show();
    window.FirmwarePath = r.image == "none" ? QString() : path;
    window.DeviceSerial = r.wire.isEmpty() ? QString() : QStringLiteral("TARV0001");

    QTest::mouseClick(window.Upgrade, Qt::LeftButton);

    const QStringList trail = QStringList(r.trail).replaceInStrings("%1", path);
    QCOMPARE(window.trail, trail);
    // The pane shows the same lines, without the boxes.
    QCOMPARE(window.Logbox->toPlainText(),
             trail.filter(QRegularExpression("^(?!.* box: )")).join('\n') + '\n');
    QCOMPARE(wireSteps(bridge.events(), file), expectedWire(r.wire, r.device));
    const bool transferred = r.maximum > 0;
    QList<int> values;
    for (int value = 0; value <= r.last; ++value) values << value;
    QCOMPARE(window.values, transferred ? values << 0 : values);
    QCOMPARE(window.ProgressBar->maximum(), transferred ? r.maximum : 100);
    QCOMPARE(window.Status->text(), transferred ? "Ready." : "status will display here");
    QCOMPARE(window.ProgressBar->value(), 0);
    QCOMPARE(leftOver(window, path), QStringList());
}

QTEST_MAIN(UpgradeTest)
#include "upgrade_qtest.moc"
