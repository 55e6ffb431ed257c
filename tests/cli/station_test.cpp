// A production line trusts the station to flash every unit once per plug-in and to leave a record
// of each: a unit flashed twice, one skipped, a failure counted as a pass, a record missing or an
// upgrade left running after its station died lets a bad unit leave the line. Each row runs the
// real station as a process against simulated units that come and go, and reads its record file,
// its output and the wire.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <optional>

#include "operations/UpgradeProcedure.h"
#include "tests/common/SimBridge.h"

namespace {

const QString Images = SAMPLE_IMAGES_DIR "/";

// n units UNIT0001..., answering at once; `extra` adds settings to unit `which`.
QString units(int n, int which = 0, const QString& extra = {}) {
    QString config;
    for (int i = 1; i <= n; ++i)
        config += QString("device=UNIT%1\nlatency_ms=0\nprogram_ms=4\n%2\n")
                      .arg(i, 4, 10, QChar('0'))
                      .arg(i == which ? extra : QString());
    return config;
}

// The record file's lines: started and closing lines, and those that are not records.
struct Records {
    QList<QJsonObject> started, closing;
    QByteArrayList other;
};

Records readRecords(const QString& path) {
    QFile file(path);
    Records records;
    for (file.open(QIODevice::ReadOnly); !file.atEnd();) {
        const QByteArray line = file.readLine().chopped(1);
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        if (record.contains("outcome"))
            records.closing << record;
        else if (record["state"] == "started")
            records.started << record;
        else
            records.other << line;
    }
    return records;
}

// Ended, or a zombie that nobody has reaped yet.
bool gone(qint64 pid) {
    QFile stat(QString("/proc/%1/stat").arg(pid));
    const QByteArray text = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
    return text.isEmpty() || text.mid(text.lastIndexOf(')') + 2, 1) == "Z";
}

// Waits until `done` holds, `ms` at most.
bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    for (clock.start(); !done(); QThread::msleep(10))
        if (clock.elapsed() > ms) return false;
    return true;
}

// args: "--image NAME" a sample image, "FIFO" a FIFO; action, once a unit flashes: signals to
// the station ("int int"), "kill upgrade", "kill station" (exit -1) or "replace image";
// outcomes: "SERIAL outcome earlier" a closing record, sorted; before: the record file's start.
struct Row {
    const char* name;
    QString config;
    QStringList args;
    QString action;
    int exit;
    QStringList outcomes;
    QByteArray before{};
};
const QString Ok = " upgraded 0";
const Row rows[] = {
    {"eight at once",
     units(8),
     {"--count", "8"},
     "",
     0,
     {"UNIT0001" + Ok, "UNIT0002" + Ok, "UNIT0003" + Ok, "UNIT0004" + Ok, "UNIT0005" + Ok,
      "UNIT0006" + Ok, "UNIT0007" + Ok, "UNIT0008" + Ok}},
    {"one of eight refuses a record",
     units(8, 5, "refuse_record=2"),
     {"--count", "8"},
     "",
     6,
     {"UNIT0001" + Ok, "UNIT0002" + Ok, "UNIT0003" + Ok, "UNIT0004" + Ok,
      "UNIT0005 programming_error 0", "UNIT0006" + Ok, "UNIT0007" + Ok, "UNIT0008" + Ok}},
    {"plugged in later, and again after an unplug",
     units(2, 2, "plugged=300-1500,2100-"),
     {"--new-only", "--count", "2", "--image", "three-records.frw"},
     "",
     0,
     {"UNIT0002 upgraded 0", "UNIT0002 upgraded 1"}},
    {"unplugged mid-transfer frees its slot",
     units(2, 1, "unplug_at_record=2"),
     {"--jobs", "1", "--count", "2"},
     "",
     6,
     {"UNIT0001 programming_error 0", "UNIT0002" + Ok}},
    {"Ctrl-C lets the running upgrade finish", units(1), {}, "int", 0, {"UNIT0001" + Ok}},
    {"a hang-up lets it finish too", units(1), {}, "hup", 0, {"UNIT0001" + Ok}},
    {"a second Ctrl-C interrupts it", units(1), {}, "int int", 130, {"UNIT0001 interrupted 0"}},
    {"an upgrade killed is closed by the station",
     units(1),
     {"--count", "1"},
     "kill upgrade",
     6,
     {"UNIT0001 process_died 0"}},
    {"the station killed, its upgrades close their attempts",
     units(2),
     {},
     "kill station",
     -1,
     {"UNIT0001 interrupted 0", "UNIT0002 interrupted 0"}},
    {"the image replaced and then deleted mid-run",
     units(3),
     {"--jobs", "1", "--count", "3"},
     "replace image",
     0,
     {"UNIT0001" + Ok, "UNIT0002" + Ok, "UNIT0003" + Ok}},
    {"an attempt whose process died counts, a torn last line stays a line of its own",
     units(1),
     {"--count", "1"},
     "",
     0,
     {"UNIT0001 upgraded 0", "UNIT0001 upgraded 2"},
     R"({"serial":"UNIT0001","outcome":"upgraded","earlier_records":0,"failed_step":null})"
     "\n"
     R"({"serial":"UNIT0001","state":"started","attempt":"died"})"
     "\n"
     R"({"serial":"UNIT0001","outc)"},
    {"a serial number that carries an escape code",
     "device=UN\x1bIT1\nlatency_ms=0\nprogram_ms=0",
     {"--count", "1"},
     "",
     0,
     {"UN\x1bIT1 upgraded 0"}},
    {"record file cannot be written", units(1), {"--record", "/nonexistent/records"}, "", 3, {}},
    {"record file is a FIFO", units(1), {"--record", "FIFO"}, "", 3, {}},
    {"image is a FIFO", units(1), {"--image", "FIFO"}, "", 3, {}},
    {"image fails its checks", units(1), {"--image", "too-short.frw"}, "", 3, {}},
    {"no library", "nolib", {"--driver", "d2xx"}, "", 5, {}},
    {"bad count", units(1), {"--count", "0"}, "", 64, {}},
};

// A closing line holds every one of these.
const QStringList ClosingFields = {"attempt",
                                   "started_at",
                                   "ended_at",
                                   "host",
                                   "program_version",
                                   "serial",
                                   "image",
                                   "image_sha256",
                                   "firmware_key",
                                   "records",
                                   "records_acknowledged",
                                   "duration_ms",
                                   "outcome",
                                   "exit_code",
                                   "failed_step",
                                   "detail",
                                   "hint",
                                   "earlier_records"};

class Station : public testing::TestWithParam<Row> {};

TEST_P(Station, FlashesEachPlugInOnceAndRecordsIt) {
    const Row& row = GetParam();
    SimBridge sim(row.config == "nolib" ? "" : row.config);
    ASSERT_TRUE(sim.ready());
    QTemporaryDir folder;
    const QString fifo = folder.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QStringList args = row.args;
    for (QString& arg : args)
        if (arg == "FIFO") arg = fifo;
    QString image = Images + "accepted.frw";
    if (const qsizetype at = args.indexOf("--image"); at >= 0) {
        image = args.takeAt(at + 1);
        image = image == fifo ? fifo : Images + image;
        args.removeAt(at);
    }
    if (row.action == "replace image") {
        ASSERT_TRUE(QFile::copy(image, folder.filePath("image.frw")));
        image = folder.filePath("image.frw");
    }
    const QString recordPath = folder.filePath("tarvellon-records.jsonl");
    QFile before(recordPath);
    ASSERT_TRUE(row.before.isEmpty() ||
                (before.open(QIODevice::WriteOnly) && before.write(row.before) > 0));
    before.close();
    QString sha256;
    if (QFile imageFile(image); QFileInfo(image).isFile() && imageFile.open(QIODevice::ReadOnly))
        sha256 = QCryptographicHash::hash(imageFile.readAll(), QCryptographicHash::Sha256).toHex();

    QProcess station;
    station.setWorkingDirectory(folder.path());
    if (row.config == "nolib") {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LD_LIBRARY_PATH", "");
        station.setProcessEnvironment(environment);
    }
    station.start(FLASH_PROGRAM, QStringList{"station", image} + args);
    QByteArray out;
    const auto readUntil = [&](const QByteArray& text, int times) {
        while (out.count(text) < times && station.waitForReadyRead(10000))
            out += station.readAllStandardOutput();
    };
    readUntil("flashing", row.action.isEmpty() ? 0 : row.action == "kill station" ? 2 : 1);
    for (const QString& signal : row.action.split(' ', Qt::SkipEmptyParts)) {
        if (signal == "int" || signal == "hup") {
            ::kill(pid_t(station.processId()), signal == "int" ? SIGINT : SIGHUP);
            QThread::msleep(50);
        }
    }
    if (row.action == "kill upgrade") {
        ASSERT_TRUE(waitFor([&] { return !readRecords(recordPath).started.isEmpty(); }, 5000));
        ::kill(pid_t(readRecords(recordPath).started[0]["pid"].toInteger()), SIGKILL);
    }
    if (row.action == "kill station") {
        ::kill(pid_t(station.processId()), SIGKILL);
        // No upgrade outlives it by more than the wait it is in, and each closes its attempt.
        const Records killed = readRecords(recordPath);
        EXPECT_TRUE(waitFor(
            [&] {
                return std::all_of(killed.started.begin(), killed.started.end(),
                                   [](const QJsonObject& r) { return gone(r["pid"].toInteger()); });
            },
            UpgradeProcedure::ReplyDeadlineMs));
    }
    if (row.action == "replace image") {
        QFile replaced(image);
        ASSERT_TRUE(replaced.open(QIODevice::WriteOnly));
        QFile other(Images + "three-records.frw");
        ASSERT_TRUE(other.open(QIODevice::ReadOnly) && replaced.write(other.readAll()) > 0);
        replaced.close();
        readUntil("flashing", 2);
        ASSERT_TRUE(QFile::remove(image));
    }
    ASSERT_TRUE(station.waitForFinished(30000));
    out += station.readAllStandardOutput();
    if (row.exit < 0) {
        EXPECT_EQ(station.exitStatus(), QProcess::CrashExit);
    } else {
        EXPECT_EQ(station.exitCode(), row.exit) << station.readAllStandardError().toStdString();
    }
    // Piped: plain lines, each with the UTC time it was written.
    EXPECT_FALSE(out.contains('\x1b') || out.contains('\r'));
    static const QRegularExpression stamped("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ \\S");
    for (const QString& line : QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts))
        EXPECT_TRUE(stamped.match(line).hasMatch()) << line.toStdString();

    // Every attempt closed, each closing line whole; the torn line apart, skipped.
    const Records records = readRecords(recordPath);
    EXPECT_EQ(records.other, row.before.isEmpty() ? QByteArrayList()
                                                  : QByteArrayList{row.before.split('\n').last()});
    QStringList outcomes, opened, closed;
    for (const QJsonObject& record : records.started)
        if (record.contains("pid")) opened << record["attempt"].toString();
    for (const QJsonObject& record : records.closing) {
        // Those of this run, not the one the file held before.
        if (record.contains("attempt")) {
            for (const QString& field : ClosingFields)
                EXPECT_TRUE(record.contains(field)) << field.toStdString();
            EXPECT_EQ(record["image_sha256"].toString(), sha256);
            EXPECT_EQ(record["image"].toString(), image);
            EXPECT_EQ(record["outcome"] == "upgraded", record["hint"].isNull());
            closed << record["attempt"].toString();
        }
        EXPECT_EQ(record["outcome"] == "upgraded", record["failed_step"].isNull());
        outcomes << QString("%1 %2 %3")
                        .arg(record["serial"].toString(), record["outcome"].toString())
                        .arg(record["earlier_records"].toInt());
    }
    outcomes.sort();
    EXPECT_EQ(outcomes, row.outcomes);
    opened.sort();
    closed.sort();
    EXPECT_EQ(opened, closed);

    // No unit touched without its started line. Units at once: every open comes before the
    // first upgrade ends.
    const QList<SimEvent> opens = sim.events(SimEvent::Kind::Open);
    const QList<SimEvent> closes = sim.events(SimEvent::Kind::Close);
    EXPECT_EQ(opens.size(), opened.size());
    if (row.name == QString("eight at once")) {
        EXPECT_LT(opens.last().timeUs, closes.first().timeUs);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, Station, testing::ValuesIn(rows),
                         [](const auto& info) { return std::to_string(info.index); });

// The record file on a disk with `free` bytes left: a small file system where the test may mount
// one, elsewhere a file size limit on the station and its upgrades that leaves as much room.
class SmallDisk {
  public:
    SmallDisk(const QString& folder, qint64 free) : m_folder(folder) {
        const QByteArray path = QFile::encodeName(folder);
        m_mounted = ::mkdir(path.constData(), 0700) == 0 &&
                    ::mount("tmpfs", path.constData(), "tmpfs", 0, "size=64k") == 0;
        QFile filler(m_mounted ? folder + "/filler" : recordPath());
        if (!m_mounted) m_limit = 1 << 20;
        const qint64 size = (m_mounted ? 64 << 10 : m_limit) - free;
        m_ready = (m_mounted || QFileInfo(folder).isDir()) && filler.open(QIODevice::WriteOnly) &&
                  filler.write(QByteArray(size - 1, ' ') + '\n') == size && filler.flush();
    }
    ~SmallDisk() {
        if (m_mounted) ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
    bool ready() const { return m_ready; }
    QString recordPath() const { return m_folder + "/records.jsonl"; }
    void limit(QProcess& process) const {
        if (m_limit == 0) return;
        process.setChildProcessModifier([limit = m_limit] {
            const rlimit size{rlim_t(limit), rlim_t(limit)};
            ::setrlimit(RLIMIT_FSIZE, &size);
        });
    }

  private:
    QString m_folder;
    bool m_mounted = false;
    bool m_ready = false;
    qint64 m_limit = 0;
};

// A record that cannot be written stops the line: no unit is touched after it, the failure stays
// on the final screen, and the station ends with 3 whatever the units did.
TEST(StationRecords, ALostRecordStopsTheLine) {
    for (const qint64 free : {0, 4096}) {
        SCOPED_TRACE(free == 0 ? "full at start" : "fills midway");
        SimBridge sim(units(8));
        ASSERT_TRUE(sim.ready());
        QTemporaryDir folder;
        const SmallDisk disk(folder.filePath("disk"), free);
        ASSERT_TRUE(disk.ready());
        QProcess station;
        disk.limit(station);
        station.start(FLASH_PROGRAM, {"station", Images + "three-records.frw", "--jobs", "1",
                                      "--count", "8", "--record", disk.recordPath()});
        ASSERT_TRUE(station.waitForFinished(30000));
        EXPECT_EQ(station.exitCode(), 3);
        const QString out = QString::fromUtf8(station.readAllStandardOutput()).trimmed();
        EXPECT_TRUE(out.section('\n', -1).section(' ', 1).startsWith("LINE STOPPED"))
            << out.toStdString();
        EXPECT_FALSE(out.contains("Unknown error"));

        const Records records = readRecords(disk.recordPath());
        const qsizetype opens = sim.events(SimEvent::Kind::Open).size();
        EXPECT_EQ(opens, records.started.size());
        EXPECT_LE(records.started.size() - records.closing.size(), 1);
        EXPECT_TRUE(free == 0 ? opens == 0 : opens > 0 && opens < 8) << opens;
    }
}

// A slot is the port a unit hangs on: numbered in the order of the ports' locations, named by
// --slots, the same after every unplug, and another one for the same unit in another port. Each
// front end of the station runs each row, and their records must agree but for times and
// identities.
struct SlotRow {
    const char* name;
    QString config;
    QString slotsFile;  // its text; "none" for no option, "missing" for a path to nothing
    int exit;
    QStringList records;  // "SERIAL SLOT LOCATION" of the closing lines, sorted
};
const QString Fast = "latency_ms=0\nprogram_ms=0\n";
const SlotRow slotRows[] = {
    {"numbered by location, the same after an unplug",
     "device=UNIT0001\nlocation=0x1150\n" + Fast + "device=UNIT0002\nlocation=0x1140\n" + Fast +
         "device=UNIT0003\nlocation=0x1160\nplugged=0-1500,2100-\n" + Fast,
     "none",
     0,
     {"UNIT0001 2 0x1150", "UNIT0002 1 0x1140", "UNIT0003 3 0x1160", "UNIT0003 3 0x1160"}},
    {"the same unit in another port is another slot",
     "device=UNIT0001\nplugged=0-1500@0x1141,2100-@0x1142\n" + Fast,
     "none",
     0,
     {"UNIT0001 1 0x1141", "UNIT0001 2 0x1142"}},
    {"named by --slots, the rest numbered",
     units(3),
     "# fixture 7\n0x1142 = Bay B\n  0X01141=Bay A  \n\n",
     0,
     {"UNIT0001 Bay A 0x1141", "UNIT0002 Bay B 0x1142", "UNIT0003 3 0x1143"}},
    {"a slots line without a name", units(1), "0x1141 = Bay A\n1-1.4 Slot 3\n", 64, {}},
    {"a location named twice", units(1), "1-1.4 = A\n1-1.4 = B\n", 64, {}},
    {"not a location", units(1), "ttyUSB0 = A\n", 64, {}},
    {"no slots file", units(1), "missing", 3, {}},
};

// Every program that runs the station engine, as it is started for a row.
const QList<QStringList> FrontEnds = {{FLASH_PROGRAM, "station"}};

// The record without what differs from run to run.
QJsonObject normalised(QJsonObject record) {
    for (const char* field : {"attempt", "started_at", "ended_at", "duration_ms", "pid"})
        record.remove(field);
    return record;
}

class StationSlots : public testing::TestWithParam<SlotRow> {};

TEST_P(StationSlots, StayWithTheirPorts) {
    const SlotRow& row = GetParam();
    QList<QJsonObject> first;
    for (const QStringList& frontEnd : FrontEnds) {
        SimBridge sim(row.config);
        ASSERT_TRUE(sim.ready());
        QTemporaryDir folder;
        const QString slotsPath = folder.filePath("slots.txt");
        QFile slotsFile(slotsPath);
        ASSERT_TRUE(row.slotsFile == "missing" || (slotsFile.open(QIODevice::WriteOnly) &&
                                                   slotsFile.write(row.slotsFile.toUtf8()) >= 0));
        slotsFile.close();
        QStringList args =
            frontEnd.mid(1) + QStringList{Images + "three-records.frw", "--count",
                                          QString::number(qMax(row.records.size(), 1))};
        if (row.slotsFile != "none") args << "--slots" << slotsPath;
        QProcess station;
        station.setWorkingDirectory(folder.path());
        station.start(frontEnd[0], args);
        ASSERT_TRUE(station.waitForFinished(30000));
        const QString err = station.readAllStandardError();
        EXPECT_EQ(station.exitCode(), row.exit) << err.toStdString();
        if (row.exit != 0) {
            EXPECT_TRUE(err.contains(slotsPath)) << err.toStdString();
        }

        const Records records = readRecords(folder.filePath("tarvellon-records.jsonl"));
        QStringList places;
        QList<QJsonObject> closing;
        for (const QJsonObject& record : records.started + records.closing) {
            EXPECT_EQ(record["schema_version"], 1);
            EXPECT_EQ(record["station"], record["host"]);
        }
        for (const QJsonObject& record : records.closing) {
            places << QString("%1 %2 %3")
                          .arg(record["serial"].toString(), record["slot"].toString(),
                               record["location"].toString());
            closing << normalised(record);
        }
        places.sort();
        EXPECT_EQ(places, row.records);
        std::sort(closing.begin(), closing.end(), [](const QJsonObject& a, const QJsonObject& b) {
            return QJsonDocument(a).toJson() < QJsonDocument(b).toJson();
        });
        if (first.isEmpty()) first = closing;
        EXPECT_EQ(closing, first) << frontEnd[0].toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, StationSlots, testing::ValuesIn(slotRows),
                         [](const auto& info) { return std::to_string(info.index); });

// The station on a terminal as a window system's terminal emulator shows it: tmux, read back.
class Tmux {
  public:
    explicit Tmux(const QString& folder) : m_socket(folder + "/tmux") {}
    ~Tmux() { run({"kill-server"}); }
    // Runs `command` in a terminal of that size; its exit code lands in `exitFile`.
    bool start(int columns, int rows, const QStringList& environment, const QString& exitFile,
               const QStringList& command) {
        QStringList args{"new-session",        "-d", "-x", QString::number(columns), "-y",
                         QString::number(rows)};
        for (const QString& variable : environment) args << "-e" << variable;
        return run(args +
                   QStringList{"sh", "-c", R"(trap : INT; "$@"; echo $? >"$0"; exec sleep 600)",
                               exitFile} +
                   command)
            .has_value();
    }
    QStringList screen(bool escapes = false) const {
        const QStringList args =
            escapes ? QStringList{"capture-pane", "-p", "-e"} : QStringList{"capture-pane", "-p"};
        return QString::fromUtf8(run(args).value_or("")).split('\n').mid(0, 24);
    }
    int history() const {
        return run({"display-message", "-p", "#{history_size}"}).value_or("-1").trimmed().toInt();
    }
    void send(const QStringList& args) const { run(args); }

  private:
    std::optional<QByteArray> run(const QStringList& args) const {
        QProcess tmux;
        tmux.start("tmux", QStringList{"-S", m_socket, "-f", "/dev/null"} + args);
        if (!tmux.waitForFinished(10000) || tmux.exitCode() != 0) return std::nullopt;
        return tmux.readAllStandardOutput();
    }
    QString m_socket;
};

// The lines of the screen that say `text`.
qsizetype saying(const QStringList& screen, const QString& text) {
    return std::count_if(screen.begin(), screen.end(),
                         [&](const QString& line) { return line.contains(text); });
}

// More slots than rows, a failure of 96 characters, a resize and two Ctrl-C: every line fits,
// nothing scrolls away, no redraw leaves a stale line behind, running and failed slots stay in
// view, and colour goes with NO_COLOR.
TEST(StationScreen, FitsTheTerminalAndNeverWraps) {
    // "the device answered "id ..." to "id"": 96 characters.
    const QString identity = "identity=id " + QString(63, 'x');
    // UNIT0009 takes half a minute.
    const QString config =
        units(26, 5, identity).replace("device=UNIT0010", "program_ms=100\ndevice=UNIT0010");
    for (const bool colour : {true, false}) {
        SCOPED_TRACE(colour ? "colour" : "NO_COLOR");
        SimBridge sim(config);
        ASSERT_TRUE(sim.ready());
        QTemporaryDir folder;
        Tmux tmux(folder.path());
        const QString exitFile = folder.filePath("exit");
        ASSERT_TRUE(tmux.start(80, 24,
                               {"NO_COLOR=" + QString(colour ? "" : "1"),
                                "TARVELLON_SIM_CONFIG=" + qgetenv("TARVELLON_SIM_CONFIG"),
                                "LD_LIBRARY_PATH=" + qgetenv("LD_LIBRARY_PATH")},
                               exitFile,
                               {FLASH_PROGRAM, "station", Images + "accepted.frw", "--record",
                                folder.filePath("records.jsonl")}))
            << "tmux is missing: scripts/install-deps installs it";
        const auto fits = [&](int columns) {
            const QStringList screen = tmux.screen();
            return saying(screen, "passed ") == 1 && saying(screen, "SHA-256") == 1 &&
                   std::all_of(screen.begin(), screen.end(),
                               [&](const QString& line) { return line.size() < columns; });
        };
        ASSERT_TRUE(
            waitFor([&] { return saying(tmux.screen(), "passed 24, failed 1,") == 1; }, 30000))
            << tmux.screen().join('\n').toStdString();
        const QStringList screen = tmux.screen();
        EXPECT_TRUE(fits(80));
        EXPECT_EQ(tmux.history(), 0);
        EXPECT_EQ(screen.size(), 24);
        EXPECT_EQ(screen.count(""), 1) << screen.join('\n').toStdString();
        EXPECT_EQ(screen[21], "and 6 more: 6 PASS");
        const QString failure = screen.filter("UNIT0005").value(0);
        EXPECT_EQ(failure.size(), 79);
        EXPECT_TRUE(failure.startsWith("5   UNIT0005          FAIL  "));
        EXPECT_EQ(saying(screen, "UNIT0009          flashing"), 1);
        const QString escapes = tmux.screen(true).join('\n');
        EXPECT_EQ(escapes.contains("32mPASS"), colour);
        EXPECT_EQ(escapes.contains("31mFAIL"), colour);

        tmux.send({"resize-window", "-x", "60", "-y", "24"});
        EXPECT_TRUE(waitFor([&] { return fits(60); }, 10000))
            << tmux.screen().join('\n').toStdString();
        tmux.send({"send-keys", "C-c"});
        EXPECT_TRUE(waitFor(
            [&] {
                return saying(tmux.screen(),
                              "stopping: 1 upgrade still running; Ctrl-C again inter") == 1;
            },
            10000));
        tmux.send({"send-keys", "C-c"});
        QFile exit(exitFile);
        EXPECT_TRUE(waitFor([&] { return exit.exists() && exit.size() > 0; }, 10000));
        EXPECT_TRUE(exit.open(QIODevice::ReadOnly) && exit.readAll() == "130\n");
        EXPECT_TRUE(fits(60));
        EXPECT_EQ(saying(tmux.screen(), "passed 24, failed 2,"), 1);
    }
}

}  // namespace
