// Scripts and production lines act on the command line's exit code and output without a person
// watching: a wrong code, a bridge left at a changed latency timer or output a program cannot
// parse passes a failed upgrade as good. Every row runs the real program as a process against the
// simulated bridge, all rows at once; the wire itself is the window's tests' to hold. A reader
// that goes away, as `tarvellon-flash list -q | head -1` leaves a pipe, is no failure: the program
// ends with its own exit code and says nothing of it, where a full disk is a failure (exit 74).

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>

#include "tests/common/SimBridge.h"
#include "tests/common/Watched.h"

namespace {

const QString D = "device=TARV0001\n", Images = SAMPLE_IMAGES_DIR "/";
const QStringList Three{"TARV0001", Images + "three-records.frw"};
// Files a row makes for itself, in a folder of the test's own.
const QString Made = "MADE/";

// config: the simulator's devices, "nolib" for no library. args: MADE/ names a file the test
// makes (a FIFO, a file of an odd length or without permissions), "BYTES" a copy of
// three-records.frw whose name is not UTF-8; args led by ">&4" and the like: the streams the shell
// sends into a pipe whose reader is gone before the program starts. err: the last lines on stderr
// after the program's name, "hint: " lines naming what the hint says among other words, a line
// ending in "..." the start of the line; with --json the closing event's detail and hint.
struct Row {
    const char* name;
    QString config;
    QStringList args;
    int exit;
    QStringList err = {};
};
// clang-format off
const QString Whole = "hint: not a whole firmware";
const Row rows[] = {
    {"in its boot loader, --json", D + "runlevel=boot", QStringList{"upgrade", "--json"} + Three, 0},
    {"silent in the handshake", D + "silent_from_command=firmkey", QStringList{"upgrade"} + Three, 1, {R"(no reply to "firmkey" within 10 s)", "hint: may still be in its boot loader"}},
    {"unplugged mid-transfer, the timer's note last", D + "unplug_at_record=2", QStringList{"upgrade"} + Three, 2, {"the device vanished after record 2 of 3 was sent", "hint: plug the unit back in", "the bridge's latency timer could not be put back to 16 ms"}},
    {"missing file, --json", D, {"upgrade", "--json", "TARV0001", Images + "gone.frw"}, 3, {Images + "gone.frw does not exist", "hint: path is mistyped"}},
    {"4,095 characters and no line feed", D + "flood_command=id\nflood_bytes=4095", QStringList{"upgrade"} + Three, 1, {R"(the device sent 4,095 characters but no line feed in reply to "id" within 10 s)", "hint: may still be in its boot loader"}},
    {"a FIFO for an image", D, {"upgrade", "TARV0001", Made + "fifo"}, 3, {Made + "fifo is not an image: it is a FIFO (named pipe), not a regular file", "hint: not a folder or a device"}},
    {"a name that is not UTF-8", D, {"upgrade", "TARV0001", "BYTES"}, 0},
    {"not the image expected", D, QStringList{"upgrade", "--expect-sha256", QString(64, '0')} + Three, 3, {"the SHA-256 of " + Three[1] + " is e86e590c081373a163241959dc964fe55701db4767398c7b802b6ed29aef7715, not the expected " + QString(64, '0'), "hint: not the one expected"}},
    {"a FIFO for a record file", D, QStringList{"upgrade", "--record", Made + "fifo"} + Three, 3, {"cannot append to the record file " + Made + "fifo: it is a FIFO (named pipe), not a regular file", "hint: record file cannot be written"}},
    {"part of a record", D, {"upgrade", "TARV0001", Made + "partial.frw"}, 3, {Made + "partial.frw is 43 bytes long: after its 8-byte key and 2 whole 13-byte records come 9 more bytes, part of a record", Whole}},
    {"unreadable", D, {"upgrade", "TARV0001", Made + "locked.frw"}, 3, {Made + "locked.frw cannot be read: Permission denied", "hint: permissions"}},
    {"below the bridge's floor", D + "latency_min_ms=4", QStringList{"upgrade", "--latency-ms", "1"} + Three, 0, {"the bridge refuses a latency timer of 1 ms; the upgrade runs at 4 ms, the nearest it accepts", "upgraded TARV0001: 3 records in ..."}},
    {"bridge left alone", D, QStringList{"upgrade", "--latency-ms", "keep"} + Three, 0},
    {"bridge without receive notification", D + "notification=none", QStringList{"upgrade"} + Three, 0},
    {"-v, --json", D, QStringList{"upgrade", "-v", "--json"} + Three, 0},
    {"interrupted", D + "program_ms=5", {"upgrade", "--json", "TARV0001", Images + "accepted.frw"}, 130, {"interrupted while waiting for the reply to record ", "hint: flash the unit again"}},
    {"no library", "nolib", QStringList{"upgrade", "--driver", "d2xx"} + Three, 5, {"the D2XX library (libftd2xx) is not installed", "hint: --driver serial"}},
    {"no library, list", "nolib", {"list", "--driver", "d2xx"}, 5, {"the D2XX library (libftd2xx) is not installed", "hint: --driver serial"}},
    {"stdout on a full disk", D, {"list", "-q"}, 74, {"cannot write to stdout: No space left on device"}},
    {"list -q | head", D, {">&4", "list", "-q"}, 0},
    {"none attached | head", "", {">&4", "list", "-q"}, 4},
};
// clang-format on

struct FlashRun {
    std::unique_ptr<SimBridge> sim;
    std::unique_ptr<QProcess> process;
    QByteArray out;
};

const QMap<int, QString> Outcomes{
    {0, "upgraded"},       {1, "communication_error"}, {2, "programming_error"}, {3, "file_error"},
    {4, "no_such_device"}, {5, "no_library"},          {130, "interrupted"}};

TEST(Flash, EveryExitWithItsCause) {
    QTemporaryDir made;
    const auto place = [&](QString text) { return text.replace(Made, made.path() + "/"); };
    QFile partial(place(Made + "partial.frw")), locked(place(Made + "locked.frw"));
    ASSERT_TRUE(partial.open(QIODevice::WriteOnly) && partial.write(QByteArray(43, 1)) == 43 &&
                partial.flush());
    ASSERT_TRUE(locked.open(QIODevice::WriteOnly) && locked.setPermissions({}));
    // Root reads any file, whatever its permissions.
    const bool root = ::geteuid() == 0;

    ASSERT_EQ(::mkfifo(QFile::encodeName(place(Made + "fifo")).constData(), 0600), 0);
    std::vector<FlashRun> runs(std::size(rows));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const Row& row = rows[i];
        FlashRun& run = runs[i];
        if (root && row.name == QString("unreadable")) continue;
        QStringList args;
        for (const QString& arg : row.args) args << place(arg);
        run.sim = std::make_unique<SimBridge>(row.config == "nolib" ? "" : row.config);
        ASSERT_TRUE(run.sim->ready());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (row.config == "nolib") environment.insert("LD_LIBRARY_PATH", "");
        run.process = std::make_unique<QProcess>();
        run.process->setProcessEnvironment(environment);
        if (row.exit == 74) run.process->setStandardOutputFile("/dev/full");
        if (args.contains("BYTES")) {
            run.process->start(
                "/bin/sh",
                {"-c",
                 R"sh(p="$2/$(printf 'image\377.frw')"; cp "$3" "$p" && exec "$1" upgrade TARV0001 "$p")sh",
                 "sh", FLASH_PROGRAM, made.path(), Three[1]});
        } else if (args[0].startsWith(">&")) {
            // Opened for reading and writing, the FIFO lends the write end a reader to open
            // against, then takes it away.
            run.process->start(
                "/bin/sh",
                QStringList{"-c",
                            R"sh(mkfifo "$0" && exec 3<>"$0" 4>"$0" 3<&- && exec "$@" )sh" +
                                args[0] + " 4>&-",
                            made.filePath(QString::number(i)), FLASH_PROGRAM} +
                    args.mid(1));
        } else {
            run.process->start(FLASH_PROGRAM, args);
        }
    }
    for (std::size_t i = 0; i < runs.size(); ++i) {
        FlashRun& run = runs[i];
        while (rows[i].exit == 130 && !run.out.contains("progress") &&
               run.process->waitForReadyRead(10000))
            run.out += run.process->readAllStandardOutput();
        if (rows[i].exit == 130) {
            EXPECT_TRUE(SignalRunning(*run.process, SIGINT));
        }
    }

    for (std::size_t i = 0; i < runs.size(); ++i) {
        const Row& row = rows[i];
        FlashRun& run = runs[i];
        if (!run.process) continue;
        SCOPED_TRACE(row.name);
        const QStringList args = row.args.value(0).startsWith(">&") ? row.args.mid(1) : row.args;
        ASSERT_TRUE(run.process->waitForFinished(30000));
        run.out += run.process->readAllStandardOutput();
        const QString err = QString::fromUtf8(run.process->readAllStandardError());
        EXPECT_EQ(run.process->exitCode(), row.exit);
        EXPECT_FALSE(err.contains("Broken pipe") ||
                     (row.exit != 74 && err.contains("cannot write")))
            << err.toStdString();
        if (args.contains("BYTES")) {
            EXPECT_TRUE(run.out.startsWith("Openning file " +
                                           made.filePath("image\uFFFD.frw").toUtf8() + '\n'));
        }
        EXPECT_FALSE(run.out.contains('\x1b') || run.out.contains('\r'));

        // The failure's detail, then its hint, end stderr; for a program, its closing event.
        const bool json = args.contains("--json") && args[0] == "upgrade";
        const QStringList said = err.trimmed().split('\n');
        const QStringList tail = said.mid(said.size() - row.err.size());
        for (qsizetype line = 0; line < row.err.size() && !json; ++line) {
            const QString expected = "tarvellon-flash: " + place(row.err[line]);
            const QString seen = tail.value(line);
            EXPECT_TRUE(expected.startsWith("tarvellon-flash: hint: ")
                            ? seen.startsWith("tarvellon-flash: hint: ") &&
                                  seen.contains(expected.mid(23))
                        : expected.endsWith("...") ? seen.startsWith(expected.chopped(3))
                                                   : seen == expected)
                << expected.toStdString() << "\n"
                << err.toStdString();
        }

        // A program reads one JSON object a line.
        QJsonObject end;
        int exchanges = 0;
        if (json) {
            for (const QByteArray& line : run.out.trimmed().split('\n')) {
                const QJsonObject event = QJsonDocument::fromJson(line).object();
                ASSERT_FALSE(event.isEmpty()) << line.toStdString();
                if (event["event"] == "end") end = event;
                if (event["event"] == "start") {
                    EXPECT_EQ(event["schema_version"], 1);
                }
                exchanges += event["event"] == "exchange";
            }
            EXPECT_EQ(end["schema_version"], 1);
            EXPECT_EQ(end["exit_code"].toInt(), row.exit);
            EXPECT_EQ(end["outcome"].toString().toStdString(), Outcomes[row.exit].toStdString());
            EXPECT_TRUE(end["detail"].toString().startsWith(place(row.err.value(0))));
            EXPECT_TRUE(end["hint"].toString().contains(row.err.value(1).mid(6)) &&
                        end["hint"].isNull() == (row.exit == 0));
            EXPECT_EQ(exchanges > 0, args.contains("-v"));
        }
        if (end["image_key"].isString()) {
            QFile image(args.last());
            ASSERT_TRUE(image.open(QIODevice::ReadOnly));
            EXPECT_EQ(
                end["image_sha256"].toString(),
                QCryptographicHash::hash(image.readAll(), QCryptographicHash::Sha256).toHex());
            const int acknowledged = end["records_acknowledged"].toInt();
            EXPECT_TRUE(row.exit == 0 ? acknowledged == 3 : acknowledged > 0 && acknowledged < 300)
                << acknowledged;
            EXPECT_TRUE(end["device_key"] == "µTARVEL0" && end["image_key"] == "µTARVEL0");
        }

        // Every upgrade's open device signals received bytes, where the bridge can.
        const bool notified = args.value(0) == "upgrade" && !row.config.contains("notification");
        EXPECT_EQ(run.sim->events(SimEvent::Kind::Notification).size(),
                  notified ? run.sim->events(SimEvent::Kind::Open).size() : 0);

        // The lowest timer the bridge takes is set, and the timer found put back last, before the
        // close, unless the device is gone.
        const QList<SimEvent> latency = run.sim->events(SimEvent::Kind::LatencySet);
        const QList<SimEvent> found = run.sim->events(SimEvent::Kind::LatencyGet);
        if (args.contains("keep") || found.isEmpty()) {
            EXPECT_TRUE(latency.isEmpty());
        } else if (!row.config.contains("unplug")) {
            QByteArrayList values;
            for (const SimEvent& set : latency) values << set.bytes;
            const QByteArray used = row.config.contains("latency_min_ms=4") ? "\x04" : "\x02";
            EXPECT_EQ(values, QByteArrayList({used, found[0].bytes}));
            EXPECT_LT(latency.value(1).timeUs,
                      run.sim->events(SimEvent::Kind::Close).value(0).timeUs);
        }
    }
}

}  // namespace
