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
#include <QTemporaryDir>
#include <QThread>

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
    EXPECT_FALSE(out.contains('\x1b') || out.contains('\r'));

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
        EXPECT_TRUE(out.section('\n', -1).startsWith("LINE STOPPED")) << out.toStdString();
        EXPECT_FALSE(out.contains("Unknown error"));

        const Records records = readRecords(disk.recordPath());
        const qsizetype opens = sim.events(SimEvent::Kind::Open).size();
        EXPECT_EQ(opens, records.started.size());
        EXPECT_LE(records.started.size() - records.closing.size(), 1);
        EXPECT_TRUE(free == 0 ? opens == 0 : opens > 0 && opens < 8) << opens;
    }
}

}  // namespace
