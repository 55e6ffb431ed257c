// The upgrade is what the tool exists for: a wrong byte on the wire, a record sent from the wrong
// offset, a reply taken for another, a device that goes quiet, a file length misread, or a report
// out of order leaves a bricked device or a technician who trusts a failed upgrade. Every case
// runs the real window through the simulated bridge and reads back the transcript.

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include "app/Form1.h"
#include "app/MessageBoxes.h"
#include "link/Clock.h"
#include "link/PortHandle.h"
#include "sim/bridge/RecordFormat.h"
#include "tests/common/SimBridge.h"

namespace {

// The real window, its boxes noted in the log pane where they came up and its progress values
// kept. A box shown while the device controls are live, or the file browser is not, says so.
class RecordingWindow : public Form1 {
  public:
    void showMessage(const QString& text, MessageIcon icon) override {
        const bool held = !DevicesList->isEnabled() && !DevicesRescan->isEnabled() &&
                          !Upgrade->isEnabled() && Drive->isEnabled() && DirBox->isEnabled() &&
                          File->isEnabled();
        logLine((icon == MessageIcon::Warning ? "warning box: " : "information box: ") + text +
                (held ? "" : " (device controls live)"));
        Form1::showMessage(text, icon);
    }
    void setProgressValue(int value) override {
        values << value;
        Form1::setProgressValue(value);
    }
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
QByteArray makeImage(const QString& layout, const QString& path) {
    if (layout == "none" || layout == "gone" || (layout == "dir" && QDir().mkdir(path))) return {};
    const qsizetype colon = layout.indexOf(':');
    QByteArray bytes = (colon < 0 ? QStringLiteral("µTARVEL0") : layout.left(colon)).toLatin1();
    qint64 length = 0;
    static const QRegularExpression item(QStringLiteral("(\\d+)([dexz])"));
    for (const QRegularExpressionMatch& match : item.globalMatch(layout.mid(colon + 1))) {
        const qint64 count = match.captured(1).toLongLong();
        const QChar letter = match.captured(2).front();
        if (letter == 'z') length = count;
        for (qint64 i = 0; letter != 'z' && i < count; ++i)
            bytes += letter == 'x' ? QByteArray("x") : record(letter == 'e', bytes.size() / 13);
    }
    QFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    return written && (length == 0 || file.resize(length)) ? bytes : QByteArray();
}

QString percent(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toPercentEncoding(" "));
}

// The transcript as steps, bytes percent-encoded.
QStringList wireSteps(const QList<SimEvent>& events) {
    // Indexed by Kind, each followed by the event's bytes.
    static const char* const marks[] = {"open", "open failed ", "→ ", "← ", "close", "", "unplug"};
    QStringList steps;
    for (const SimEvent& event : events) {
        if (event.kind == SimEvent::Kind::Command) continue;
        // A reply read in pieces is one step; a read that found nothing adds nothing.
        const bool more = event.kind == SimEvent::Kind::Read &&
                          (event.bytes.isEmpty() || steps.last().startsWith("← "));
        (more ? steps.last() : steps.emplaceBack(marks[int(event.kind)])) += percent(event.bytes);
    }
    return steps;
}

// With a device in its application that reports the key µTARVEL0.
const QString Handshake =
    "open|→ id%0A|← id %B5Tarvellon%0A|→ runlevel%0A|← runlevel app%0A|→ reset %0A|← reset boot%0A|"
    "→ runlevel%0A|← runlevel boot%0A|→ firmkey%0A|← firmkey %B5TARVEL0%0A|→ monitor%0A|← M";

// The wire a row expects, '|' between steps: "B" or "A" the handshake with a device in its boot
// loader or its application, "B7" its first 7 steps, "B-5" all but its first 5; "R3:FE" the file's
// records 0 to 2, each answered 0 but the last, answered 254, "R3:" the last unanswered (past the
// bytes written, a sparse file holds zeros); any other step as written. A device opened is
// closed, last.
QStringList expectedWire(const QString& wire, const QString& device, const QByteArray& file) {
    const QString key = QRegularExpression("TARVEL(.)").match(device + "TARVEL0").captured(1);
    const QStringList app = QString(Handshake).replace("TARVEL0", "TARVEL" + key).split('|');
    const QStringList boot = app.mid(0, 4) + app.mid(8);
    QStringList steps;
    for (const QString& step : wire.split('|', Qt::SkipEmptyParts)) {
        const int n = step.section(':', 0, 0).mid(1).toInt();
        if (step[0] == 'A' || step[0] == 'B')
            steps << (step[0] == 'A' ? app : boot).mid(qMax(0, -n), n > 0 ? n : -1);
        for (int i = 0; step[0] == 'R' && i < n; ++i)
            steps << "→ " + percent(file.mid(8 + 13 * i, 13).leftJustified(13, '\0'))
                  << "← %" + (i + 1 < n ? "00" : step.section(':', 1));
        if (step.endsWith(':')) steps.removeLast();
        if (!QStringLiteral("ABR").contains(step[0])) steps << step;
    }
    return steps.value(0) == "open" ? steps << "close" : steps;
}

const QString Opening = "Openning file %1", Again = "Upgrade failed. Please try again.";
const QString Cancelled = "Upgrade cancelled.";

// An exit's lines: those before its box, the box, the same text logged, the closing words, "".
QStringList box(const QString& text, const QString& closing = Again, QStringList before = {Opening},
                const QString& icon = "warning") {
    return before << icon + " box: " + text << text << closing << "";
}

const QStringList Ok{Opening, "Upgrading firmware...", "information box: Upgrade successfull.",
                     "Upgrade successfull !", ""};
const auto Comm = box("Communication error.");
const auto Prog = box("Programming error.", Again, {Opening, "Upgrading firmware..."});
const auto Format = box("Firmware file format error.", "Upgrade failed.");
const auto NoFile = box("Please select a firmware file first.", Cancelled, {}, "information");
const auto NoDevice = box("Please select a device first.", Cancelled, {Opening}, "information");

// device: simulator settings for TARV0001 after "runlevel=boot". The device is
// selected only where the wire is used, so each early exit also shows it comes before that check.
// maximum: of the progress bar, 0 when the record phase never began (the status then untouched);
// last: the progress value before the bar empties again; during: an image another program writes
// over the file once the first record is on the wire.
struct Row {
    QString name, device, image, wire;
    QStringList trail;
    int maximum = 0, last = -1;
    QString during{};
};
const Row rows[] = {
    {"device in its application", "runlevel=app", "2d1e", "A|R3:FE", Ok, 3, 1},
    {"device in its boot loader", "", "2d1e", "B|R3:FE", Ok, 3, 1},
    {"any other first run level", "runlevel_reply=runlevel loader", "2d1e",
     "B4|← runlevel loader%0A|B-5|R3:FE", Ok, 3, 1},
    {"six stray bytes ignored", "", "1e6x", "B|R1:FE", Ok, 1, -1},
    {"1000 records in file order", "", "999d1e", "B|R1000:FE", Ok, 1000, 998},
    {"largest image, 64 MiB less 3 bytes", "refuse_record=1", "67108861z", "B|R1:01", Prog, 5162219,
     -1},
    {"key 3 takes an image keyed 0", "key=µTARVEL3", "2d1e", "B|R3:FE", Ok, 3, 1},
    {"key 3 refuses an image keyed 3", "key=µTARVEL3", "µTARVEL3:2d1e", "B7", Comm},
    {"wrong identity", "identity=id Tarvellon", "2d1e", "B2|← id Tarvellon%0A", Comm},
    {"reply ends in CR LF", "line_end=crlf", "2d1e", "B2|← id %B5Tarvellon%0D%0A", Comm},
    {"key mismatch", "", "µTARVEL7:2d1e", "B7", Comm},
    {"key differs in letter case", "", "µTARVEl0:2d1e", "B7", Comm},
    {"banner after reset", "runlevel=app\nbanner=hello", "2d1e", "A8|← hello%0A", Comm},
    {"no M but another byte", "flood_command=monitor\nflood_bytes=1", "2d1e", "B8|← x", Comm},
    {"silent after monitor", "silent_from_command=monitor", "2d1e", "B8", Comm},
    {"record refused in the middle", "refuse_record=3", "4d1e", "B|R3:01", Prog, 5, 1},
    {"254 before the last record", "", "1d1e1d", "B|R2:FE", Prog, 3, 0},
    {"0 for the last record", "", "2d", "B|R2:00", Prog, 2, 0},
    {"silent after record 100", "silent_from_record=101", "199d1e", "B|R101:", Prog, 200, 99},
    {"unplugged in the middle", "unplug_at_record=3", "4d1e", "B|R3:|unplug", Prog, 5, 1},
    {"file cut to its key in the transfer", "", "4d1e", "B|R5:FE", Ok, 5, 3, "µTARVEL0:"},
    {"file rewritten in the transfer", "", "4d1e", "B|R5:FE", Ok, 5, 3, "4e1d"},
    {"no file", "", "none", "", NoFile},
    {"deleted file", "", "gone", "", box("Can't find file %1", Cancelled, {})},
    {"7 bytes", "", "µTARVEL:", "", Format},
    {"key and 6 bytes", "", "6x", "", Format},
    {"key and part of a record", "", "12x", "", Format},
    {"7 bytes after the last record", "", "1e7x", "", Format},
    {"a record past 64 MiB", "", "67108868z", "", Format},
    {"4 GiB and one record", "", "1e4294967317z", "", Format},
    {"cannot be read", "", "dir", "", box("Can't read file %1", Cancelled)},
    {"no device", "", "2d1e", "", NoDevice},
    {"device cannot be opened", "open=fails", "2d1e", "open failed TARV0001", Comm},
};

// Each look at the clock moves it on 100 ms, so a silent device meets the 10 s deadline at once; a
// device that answers is never waited for, its replies already being there.
void stepClock(std::function<void()> look = [] {}) {
    Time::SetClockSource([look, ms = std::uint32_t(0)]() mutable { return look(), ms += 100; });
}

}  // namespace

class UpgradeTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        stepClock();
        MessageBoxes::SetHandler([](const QString&, MessageIcon) {});
    }
    void upgrade_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(rows)); ++i) QTest::newRow(qPrintable(rows[i].name)) << i;
    }
    void upgrade() {
        QFETCH(int, row);
        const Row& r = rows[row];
        SimBridge bridge("device=TARV0001\nlatency_ms=0\nprogram_ms=0\nrunlevel=boot\n" + r.device);
        QVERIFY(bridge.ready());
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("image.frw"));
        const QByteArray file = makeImage(r.image, path);
        RecordingWindow window;
        window.show();
        window.FirmwarePath = r.image == "none" ? QString() : path;
        window.DeviceSerial = r.wire.isEmpty() ? QString() : QStringLiteral("TARV0001");
        // The handshake is 4 writes; the clock is looked at before each acknowledgement.
        stepClock([&] {
            if (!r.during.isEmpty() && bridge.writes().size() == 5) makeImage(r.during, path);
        });
        const auto restore = qScopeGuard([] { stepClock(); });

        QTest::mouseClick(window.Upgrade, Qt::LeftButton);

        // The pane's text ends with a line break.
        QCOMPARE(window.Logbox->toPlainText().split('\n'),
                 QStringList(r.trail).replaceInStrings("%1", path) << "");
        QCOMPARE(wireSteps(bridge.events()), expectedWire(r.wire, r.device, file));
        const bool transferred = r.maximum > 0;
        QList<int> values;
        for (int value = 0; value <= r.last; ++value) values << value;
        QCOMPARE(window.values, transferred ? values << 0 : values);
        QCOMPARE(window.ProgressBar->maximum(), transferred ? r.maximum : 100);
        QCOMPARE(window.Status->text(), transferred ? "Ready." : "status will display here");
        // The file and the device closed, the device controls live again.
        for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::Files | QDir::System))
            QCOMPARE_NE(fd.symLinkTarget(), path);
        QVERIFY(!PortHandle.isOpen() && window.Upgrade->isEnabled() &&
                window.DevicesList->isEnabled() && window.DevicesRescan->isEnabled());
    }
};

QTEST_MAIN(UpgradeTest)
#include "upgrade_qtest.moc"
