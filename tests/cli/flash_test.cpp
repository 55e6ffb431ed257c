// Scripts and production lines act on the command line's exit code and output without a person
// watching: a wrong code, a wire that differs from the window's, a bridge left at a changed
// latency timer or output a program cannot parse passes a failed upgrade as good. Every row runs
// the real program as a process against the simulated bridge, all rows at once, and holds it
// against the window's own operation run in this process on the same devices.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>

#include "link/Clock.h"
#include "operations/DeviceIdentify.h"
#include "operations/UpgradeProcedure.h"
#include "tests/common/SimBridge.h"

// Readable failures: a QString as its text rather than its bytes.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

// What the window would show: box texts and log lines, in order.
class LineRecorder : public OperationView {
  public:
    void showMessage(const QString& text, MessageIcon) override { lines << text; }
    void logLine(const QString& text) override { lines << text; }
    void setStatus(const QString&) override {}
    void setProgressMaximum(int) override {}
    void setProgressValue(int) override {}
    void setUpgradeEnabled(bool) override {}
    QStringList lines;
};

const QString D = "device=TARV0001\n", Images = SAMPLE_IMAGES_DIR "/";
const QStringList Three{"TARV0001", Images + "three-records.frw"};

// config: the simulator's devices, "nolib" for no library; args: "FIFO" a FIFO (%1 in `last`),
// "BYTES" a copy of three-records.frw whose name is not UTF-8; last: the last line on stderr;
// signal: sent once the transfer runs (exit 130).
struct Row {
    const char* name;
    QString config;
    QStringList args;
    int exit;
    QString last;
    int signal = SIGINT;
};
const Row rows[] = {
    {"in its application", D, QStringList{"upgrade"} + Three, 0, ""},
    {"in its boot loader, --json", D + "runlevel=boot", QStringList{"upgrade", "--json"} + Three, 0,
     ""},
    {"wrong identity", D + "identity=id Tarvellon", QStringList{"upgrade"} + Three, 1,
     R"(the device answered "id Tarvellon" to "id")"},
    {"reply ends in CR LF, escaped", D + "line_end=crlf", QStringList{"upgrade"} + Three, 1,
     R"(the device answered "id µTarvellon\r" to "id")"},
    {"key refused",
     D + "key=µTARVEL3",
     {"upgrade", "TARV0001", Images + "wrong-key.frw"},
     1,
     "the device reports key µTARVEL3, the image carries µTARVEL7 and is refused"},
    {"silent in the handshake", D + "silent_from_command=firmkey", QStringList{"upgrade"} + Three,
     1, R"(no reply to "firmkey" within 10 s)"},
    {"cannot be opened", D + "open=fails", QStringList{"upgrade"} + Three, 1,
     "device TARV0001 is attached but cannot be opened; another program may hold it"},
    {"record refused", D + "refuse_record=2", QStringList{"upgrade"} + Three, 2,
     "record 2 of 3 was answered 1"},
    {"silent in the record phase", D + "silent_from_record=3", QStringList{"upgrade"} + Three, 2,
     "no reply to record 3 of 3 within 10 s"},
    {"unplugged mid-transfer", D + "unplug_at_record=2", QStringList{"upgrade"} + Three, 2,
     "the device vanished after record 2 of 3 was sent"},
    {"a line where the byte was due", D + "runlevel_reply=runlevel boot",
     QStringList{"upgrade"} + Three, 1, R"(the device answered "error" to "monitor")"},
    {"4,095 characters and no line feed", D + "flood_command=id\nflood_bytes=4095",
     QStringList{"upgrade"} + Three, 1,
     R"(the device sent 4,095 characters but no line feed in reply to "id" within 10 s)"},
    {"missing file", D, {"upgrade", "TARV0001", Images + "gone.frw"}, 3, ""},
    {"a FIFO for an image",
     D,
     {"upgrade", "TARV0001", "FIFO"},
     3,
     "cannot read %1: it is a FIFO (named pipe), not a regular file"},
    {"a name that is not UTF-8", D, {"upgrade", "TARV0001", "BYTES"}, 0, ""},
    {"not the image expected", D,
     QStringList{"upgrade", "--expect-sha256", QString(64, '0')} + Three, 3,
     "the SHA-256 of " + Three[1] +
         " is e86e590c081373a163241959dc964fe55701db4767398c7b802b6ed29aef7715, not the expected " +
         QString(64, '0')},
    {"a FIFO for a record file", D, QStringList{"upgrade", "--record", "FIFO"} + Three, 3,
     "cannot append to the record file %1: it is a FIFO (named pipe), not a regular file"},
    {"short file",
     D,
     {"upgrade", "TARV0001", Images + "too-short.frw"},
     3,
     Images + "too-short.frw is 5 bytes long; an image is an 8-byte key, then whole 13-byte "
              "records, 67,108,864 bytes at most"},
    {"unknown serial",
     D,
     {"upgrade", "TARV9", Images + "three-records.frw"},
     4,
     "no device with serial number TARV9 is attached"},
    {"bridge refuses every timer", D + "latency_min_ms=256", QStringList{"upgrade"} + Three, 0,
     "the bridge refuses a latency timer of 1 or 2 ms; the upgrade runs at its 16 ms as before"},
    {"bridge left alone", D, QStringList{"upgrade", "--latency-ms", "keep"} + Three, 0, ""},
    {"bridge without receive notification", D + "notification=none", QStringList{"upgrade"} + Three,
     0, ""},
    {"interrupted",
     D + "program_ms=5",
     {"upgrade", "--json", "TARV0001", Images + "accepted.frw"},
     130,
     ""},
    {"hung up",
     D + "program_ms=5",
     {"upgrade", "--json", "TARV0001", Images + "accepted.frw"},
     130,
     "",
     SIGHUP},
    {"no library", "nolib", QStringList{"upgrade", "--driver", "d2xx"} + Three, 5,
     "the D2XX library (libftd2xx) is not installed"},
    {"identify", D, {"identify", "TARV0001"}, 0, ""},
    {"identify, unknown serial",
     D,
     {"identify", "TARV9"},
     4,
     "no device with serial number TARV9 is attached"},
    {"list", D, {"list"}, 0, "driver: d2xx (the vendor's D2XX library)"},
    {"list, none attached", "", {"list"}, 4, "driver: d2xx (the vendor's D2XX library)"},
    {"no command", D, {}, 64, "tarvellon-flash: try 'tarvellon-flash --help'"},
    {"image missing",
     D,
     {"upgrade", "TARV0001"},
     64,
     "tarvellon-flash: try 'tarvellon-flash "
     "upgrade --help'"},
    {"bad latency", D, QStringList{"upgrade", "--latency-ms", "0"} + Three, 64,
     "tarvellon-flash: --latency-ms takes 1 to 255 or 'keep'"},
};

struct FlashRun {
    std::unique_ptr<SimBridge> sim;
    std::unique_ptr<QProcess> process;
    QByteArray out;
    QStringList window;  // the window's lines for the same operation
    QStringList windowWire;
};

QStringList windowRun(const QStringList& args) {
    LineRecorder view;
    if (args[0] == "upgrade") UpgradeProcedure::Run(view, args.last(), args[args.size() - 2]);
    if (args[0] == "identify" && DeviceIdentify::Open(view, args[1])) {
        DeviceIdentify::Blink(view);
        view.lines << "";
    }
    return view.lines;
}

TEST(Flash, EveryExitWithItsCause) {
    QTemporaryDir odd;
    const QString fifo = odd.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Each look at the clock moves it on 100 ms: the window's runs meet their deadlines at once.
    Time::SetClockSource([ms = std::uint32_t(0)]() mutable { return ms += 100; });
    std::vector<FlashRun> runs(std::size(rows));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const Row& row = rows[i];
        FlashRun& run = runs[i];
        QStringList args = row.args;
        args.replaceInStrings(QRegularExpression("^FIFO$"), fifo);
        // The window neither checks a hash nor records, nor names a file by bytes.
        const bool windowAlike =
            !QRegularExpression("BYTES|--expect|--record").match(args.join(' ')).hasMatch();
        const bool compared = QStringList{"upgrade", "identify"}.contains(row.args.value(0)) &&
                              row.exit != 5 && row.exit != 64 && row.exit != 130 && windowAlike;
        if (compared) {
            SimBridge window(row.config + "\nlatency_ms=0\nprogram_ms=0");
            run.window = windowRun(args);
            run.windowWire = window.wire();
            EXPECT_TRUE(window.events(SimEvent::Kind::Notification).isEmpty());
        }
        run.sim = std::make_unique<SimBridge>(row.config == "nolib" ? "" : row.config);
        ASSERT_TRUE(run.sim->ready());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TARVELLON_SIM_CONFIG", qgetenv("TARVELLON_SIM_CONFIG"));
        if (row.config == "nolib") environment.insert("LD_LIBRARY_PATH", "");
        run.process = std::make_unique<QProcess>();
        run.process->setProcessEnvironment(environment);
        if (args.contains("BYTES")) {
            run.process->start(
                "/bin/sh",
                {"-c",
                 R"sh(p="$2/$(printf 'image\377.frw')"; cp "$3" "$p" && exec "$1" upgrade TARV0001 "$p")sh",
                 "sh", FLASH_PROGRAM, odd.path(), Three[1]});
        } else {
            run.process->start(FLASH_PROGRAM, args);
        }
    }
    Time::SetClockSource({});
    for (std::size_t i = 0; i < runs.size(); ++i) {
        FlashRun& run = runs[i];
        while (rows[i].exit == 130 && !run.out.contains("progress") &&
               run.process->waitForReadyRead(10000))
            run.out += run.process->readAllStandardOutput();
        if (rows[i].exit == 130) ::kill(pid_t(run.process->processId()), rows[i].signal);
    }

    for (std::size_t i = 0; i < runs.size(); ++i) {
        const Row& row = rows[i];
        FlashRun& run = runs[i];
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(run.process->waitForFinished(30000));
        run.out += run.process->readAllStandardOutput();
        const QString err = QString::fromUtf8(run.process->readAllStandardError());
        EXPECT_EQ(run.process->exitCode(), row.exit);
        const QString last = err.trimmed().section('\n', -1);
        const QString expected = QString(row.last).replace("%1", fifo);
        EXPECT_EQ(last.toStdString(), (expected.isEmpty() || expected.startsWith("tarvellon-flash")
                                           ? expected
                                           : "tarvellon-flash: " + expected)
                                          .toStdString());
        if (row.args.contains("BYTES")) {
            EXPECT_TRUE(run.out.startsWith("Openning file " +
                                           odd.filePath("image\uFFFD.frw").toUtf8() + '\n'));
        }
        EXPECT_FALSE(run.out.contains('\x1b') || run.out.contains('\r'));

        // A program reads one JSON object a line; a person the window's lines.
        QStringList lines = QString::fromUtf8(run.out).split('\n');
        QJsonObject end;
        if (row.args.contains("--json")) {
            lines.clear();
            for (const QByteArray& line : run.out.trimmed().split('\n')) {
                const QJsonObject event = QJsonDocument::fromJson(line).object();
                ASSERT_FALSE(event.isEmpty()) << line.toStdString();
                if (event["event"] == "log" || event["event"] == "message")
                    lines << event["text"].toString();
                if (event["event"] == "end") end = event;
            }
            lines << "";
            EXPECT_EQ(end["exit_code"].toInt(), row.exit);
            EXPECT_EQ(end["outcome"], row.exit == 0 ? "upgraded" : "interrupted");
            QFile image(row.args.last());
            ASSERT_TRUE(image.open(QIODevice::ReadOnly));
            EXPECT_EQ(
                end["image_sha256"].toString(),
                QCryptographicHash::hash(image.readAll(), QCryptographicHash::Sha256).toHex());
        }
        if (!run.window.isEmpty()) {
            EXPECT_EQ(lines, run.window << "");
            EXPECT_EQ(run.sim->wire(), run.windowWire);
        }
        if (!end.isEmpty()) {
            const int acknowledged = end["records_acknowledged"].toInt();
            EXPECT_TRUE(row.exit == 0 ? acknowledged == 3 : acknowledged > 0 && acknowledged < 300)
                << acknowledged;
            EXPECT_TRUE(end["device_key"] == "µTARVEL0" && end["image_key"] == "µTARVEL0");
        }
        if (row.args.value(0) == "identify" && row.exit == 0) {
            EXPECT_EQ(
                run.sim->writes(),
                (QByteArray("led off\n|led on\n|led off\n|").repeated(6) + "reset\n").split('|'));
        }
        if (row.args.value(0) == "list") {
            EXPECT_EQ(run.out, row.exit == 0 ? "TARV0001\n" : "");
        }

        // Every upgrade's open device signals received bytes, where the bridge can.
        const bool notified =
            row.args.value(0) == "upgrade" && !row.config.contains("notification");
        EXPECT_EQ(run.sim->events(SimEvent::Kind::Notification).size(),
                  notified ? run.sim->events(SimEvent::Kind::Open).size() : 0);

        // The timer found is put back last, before the close, unless the device is gone.
        const QList<SimEvent> latency = run.sim->events(SimEvent::Kind::LatencySet);
        const QList<SimEvent> found = run.sim->events(SimEvent::Kind::LatencyGet);
        if (row.args.contains("keep") || found.isEmpty() || row.config.contains("256")) {
            EXPECT_TRUE(latency.isEmpty());
        } else if (!row.config.contains("unplug")) {
            QByteArrayList values;
            for (const SimEvent& set : latency) values << set.bytes;
            EXPECT_EQ(values, QByteArrayList({"\x02", found[0].bytes}));
            EXPECT_LT(latency.value(1).timeUs,
                      run.sim->events(SimEvent::Kind::Close).value(0).timeUs);
        }
    }
}

}  // namespace
