// The upgrade through the real window on the simulated bridge: what the tool exists for. A wrong
// byte on the wire, a record sent from the wrong offset, a reply taken for another, a device that
// goes quiet, a file length misread or a report out of order leaves a bricked device or a
// technician who trusts a failed upgrade. It touches the bridge's latency timer only when its
// command line asks.

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <numeric>

#include "app/Form1.h"
#include "app/WindowCommandLine.h"
#include "link/Clock.h"
#include "link/PortHandle.h"
#include "tests/common/SimBridge.h"
#include "tests/common/WireSteps.h"
#include "tests/common/window/AnsweredBoxes.h"

namespace {

// The real window with its progress values kept.
class RecordingWindow : public Form1 {
  public:
    explicit RecordingWindow(WindowOptions options = {}) : Form1(std::move(options)) {}
    void setProgressValue(int value) override {
        values += QString::number(value) + ' ';
        Form1::setProgressValue(value);
    }
    QString values;
};

// A data (type 0) or end record (type 1) whose bytes 1 and 2 carry its index, so a record sent
// from the wrong offset shows; the last byte makes the 13 sum to 0.
QByteArray record(bool end, int index) {
    const QByteArray bytes =
        QByteArray(1, end) + char(index) + char(index >> 8) + QByteArray(9, 'Z');
    return bytes + char(-std::accumulate(bytes.begin(), bytes.end(), 0));
}

// Writes the image a row names and returns the bytes written: a key and ':' (the key µTARVEL0
// when left out), then items of a count and a letter: d data records, e end records, x stray
// bytes, z zeros up to that length. "none" selects no file, "gone" a path where nothing is, "dir"
// a folder, "fifo" a FIFO.
QByteArray makeImage(const QString& layout, const QString& path) {
    if (layout == "none" || layout == "gone" || (layout == "dir" && QDir().mkdir(path))) return {};
    if (layout == "fifo" && ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0) return {};
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

// With a device in its application that reports the key µTARVEL0.
const QString Handshake =
    "open TARV0001|→ id%0A|← id %B5Tarvellon%0A|→ runlevel%0A|← runlevel app%0A|→ reset %0A|← "
    "reset boot%0A|"
    "→ runlevel%0A|← runlevel boot%0A|→ firmkey%0A|← firmkey %B5TARVEL0%0A|→ monitor%0A|← M";

// The wire a row expects, '|' between steps: "B" or "A" the handshake with a device in its boot
// loader or its application, "B7" its first 7 steps, "B-5" all but its first 5; "R3:FE" the file's
// records 0 to 2, each answered 0 but the last, answered 254, "R3:" the last unanswered (past the
// bytes written, a sparse file holds zeros); any other step as written. A device opened is
// closed, last.
QStringList expectedWire(const QString& wire, const QByteArray& file) {
    const QStringList app = Handshake.split('|');
    const QStringList boot = app.mid(0, 4) + app.mid(8);
    QStringList steps;
    for (const QString& step : wire.split('|', Qt::SkipEmptyParts)) {
        const int n = step.section(':', 0, 0).mid(1).toInt();
        if (step[0] == 'A' || step[0] == 'B')
            steps << (step[0] == 'A' ? app : boot).mid(qMax(0, -n), n > 0 ? n : -1);
        for (int i = 0; step[0] == 'R' && i < n; ++i)
            steps << "→ " + PercentEncoded(file.mid(8 + 13 * i, 13).leftJustified(13, '\0'))
                  << "← %" + (i + 1 < n ? "00" : step.section(':', 1));
        if (step.endsWith(':')) steps.removeLast();
        if (!QStringLiteral("ABR").contains(step[0])) steps << step;
    }
    return steps.value(0).startsWith("open T") ? steps << "close TARV0001" : steps;
}

const QString Opening = "Openning file %1|", Again = "Upgrade failed. Please try again.||";
const QString Cancelled = "Upgrade cancelled.||";

// clang-format off
const QString Ok = Opening + "Upgrading firmware...|information box: Upgrade successfull.|Upgrade successfull !||";
const QString Comm = Opening + BoxLogged("warning", "Communication error.") + Again;
const QString Prog = Opening + "Upgrading firmware...|" + BoxLogged("warning", "Programming error.") + Again;
const QString Format = Opening + BoxLogged("warning", "Firmware file format error.") + "Upgrade failed.||";
const QString NoFile = BoxLogged("information", "Please select a firmware file first.") + Cancelled;
const QString NoDevice = Opening + BoxLogged("information", "Please select a device first.") + Cancelled;
// clang-format on

// device: simulator settings for TARV0001 after "runlevel=boot". The device is
// selected only where the wire is used, so each early exit also shows it comes before that check.
// maximum: of the progress bar, 0 when the record phase never began (the status then untouched);
// last: the progress value before the bar empties again; during: an image another program writes
// over the file once the first record is on the wire; options: the window's command line.
struct Row {
    QString name, device, image, wire, trail;
    int maximum = 0, last = -1;
    QString during{}, options{};
};
const Row rows[] = {
    // clang-format off
    {"device in its application", "runlevel=app", "2d1e", "A|R3:FE", Ok, 3, 1},
    {"device in its boot loader", "", "2d1e", "B|R3:FE", Ok, 3, 1},
    {"any other first run level", "runlevel_reply=runlevel loader", "2d1e", "B4|← runlevel loader%0A|B-5|R3:FE", Ok, 3, 1},
    {"six stray bytes ignored", "", "1e6x", "B|R1:FE", Ok, 1, -1},
    {"1000 records in file order", "", "999d1e", "B|R1000:FE", Ok, 1000, 998},
    {"largest image, 64 MiB less 3 bytes", "refuse_record=1", "67108861z", "B|R1:01", Prog, 5162219, -1},
    {"key 3 takes an image keyed 0", "key=µTARVEL3", "2d1e", "B6|← firmkey %B5TARVEL3%0A|B-7|R3:FE", Ok, 3, 1},
    {"key 3 refuses an image keyed 3", "key=µTARVEL3", "µTARVEL3:2d1e", "B6|← firmkey %B5TARVEL3%0A", Comm},
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
    {"unplugged in the middle", "unplug_at_record=3", "4d1e", "B|R3:|unplug TARV0001", Prog, 5, 1},
    {"file rewritten in the transfer", "", "4d1e", "B|R5:FE", Ok, 5, 3, "4e1d"},
    {"latency timer set for the transfer", "latency_ms=2\nlatency_min_ms=1", "2d1e", "open TARV0001|latency get %02|latency set %01|B-1|R3:FE|latency set %02", Ok, 3, 1, "", "--latency-ms 1"},
    {"latency timer refused", "", "2d1e", "open TARV0001|latency get %00|B-1|R3:FE", Ok, 3, 1, "", "--latency-ms 1"},
    {"no file", "", "none", "", NoFile},
    {"deleted file", "", "gone", "", BoxLogged("warning", "Can't find file %1") + Cancelled},
    {"7 bytes", "", "µTARVEL:", "", Format},
    {"a record past 64 MiB", "", "67108868z", "", Format},
    {"4 GiB and one record", "", "1e4294967317z", "", Format},
    {"cannot be read", "", "dir", "", Opening + BoxLogged("warning", "Can't read file %1") + Cancelled},
    {"a FIFO, refused at once", "", "fifo", "", Opening + BoxLogged("warning", "Can't read file %1") + Cancelled},
    {"no device", "", "2d1e", "", NoDevice},
    {"device cannot be opened", "open=fails", "2d1e", "open failed TARV0001", Comm},
    // clang-format on
};

}  // namespace

class UpgradeWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void upgrade_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(rows)); ++i) QTest::newRow(qPrintable(rows[i].name)) << i;
    }
    void upgrade() {
        QFETCH(int, row);
        const Row& r = rows[row];
        SimBridge bridge("device=TARV0001\nlatency_ms=0\nprogram_ms=0\nrunlevel=boot\n" + r.device);
        QVERIFY(bridge.ready());
        const QStringList arguments =
            QStringList{"tarvellon-upgrader"} + r.options.split(' ', Qt::SkipEmptyParts);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("image.frw"));
        const QByteArray file = makeImage(r.image, path);
        // Each look at the clock moves it on 100 ms, so a silent device meets the 10 s deadline
        // at once; a device that answers is never waited for, its replies already being there.
        // Where replies take real time (a latency timer) the clock is the real one. The handshake
        // is 4 writes; the clock is looked at before each acknowledgement.
        QElapsedTimer realTime;
        realTime.start();
        const bool real = !r.options.isEmpty();
        Time::SetClockSource([&, ms = std::uint32_t(0)]() mutable {
            if (!r.during.isEmpty() && bridge.writes().size() == 5) makeImage(r.during, path);
            return real ? std::uint32_t(realTime.elapsed()) : ms += 100;
        });
        const auto realClock = qScopeGuard([] { Time::SetClockSource({}); });
        const auto options = WindowCommandLine::Parse(arguments);
        QVERIFY(std::holds_alternative<WindowOptions>(options));
        RecordingWindow window(std::get<WindowOptions>(options));
        window.Form_Load();
        window.show();
        const auto answering = AnswerBoxes(window);
        QCOMPARE(window.DevicesList->item(0)->text(), "TARV0001");
        window.FirmwarePath = r.image == "none" ? QString() : path;
        window.DeviceSerial = r.wire.isEmpty() ? QString() : window.DevicesList->item(0)->text();
        const QString status = window.Status->text();

        QTest::mouseClick(window.Upgrade, Qt::LeftButton);

        QCOMPARE(window.Logbox->toPlainText().replace('\n', '|'),
                 QString(r.trail).replace("%1", path));
        QTRY_COMPARE(WireSteps(bridge.events()), expectedWire(r.wire, file));
        const bool transferred = r.maximum > 0;
        QString values = transferred ? "0" : "";
        for (int value = r.last; value >= 0; --value) values.prepend(QString::number(value) + ' ');
        QCOMPARE(QStringList({window.Status->text(), QString::number(window.ProgressBar->maximum()),
                              window.values.trimmed()}),
                 QStringList({transferred ? "Ready." : status,
                              QString::number(transferred ? r.maximum : 100), values.trimmed()}));
        // The file and the device closed, the device controls live again.
        for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::Files | QDir::System))
            QCOMPARE_NE(fd.symLinkTarget(), path);
        QVERIFY(!PortHandle.isOpen() && window.Upgrade->isEnabled() &&
                window.DevicesList->isEnabled() && window.DevicesRescan->isEnabled());
    }
};

QTEST_MAIN(UpgradeWindowTest)
#include "upgrade_window_qtest.moc"
