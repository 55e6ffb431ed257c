// A production line trusts the station to flash every unit once per plug-in and to leave a record
// of each: a unit flashed twice, one skipped, a failure counted as a pass, a record missing or an
// upgrade left running after its station died lets a bad unit leave the line. Each row runs the
// real station as a process against simulated units that come and go, and reads its record file,
// its output and the wire.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include "operations/UpgradeProcedure.h"
#include "tests/cli/StationTesting.h"
#include "tests/common/SimBridge.h"
#include "tests/common/Watched.h"

namespace {

using namespace StationTesting;

// Ended, or a zombie that nobody has reaped yet.
bool gone(qint64 pid) {
    QFile stat(QString("/proc/%1/stat").arg(pid));
    const QByteArray text = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
    return text.isEmpty() || text.mid(text.lastIndexOf(')') + 2, 1) == "Z";
}

// action, once a unit flashes: a Ctrl-C to the station a word ("int int"), "kill upgrade", "kill
// station" (exit -1) or "replace image"; outcomes: "SERIAL outcome earlier" of each closing line,
// sorted; before: the record file's start; image: a sample image.
struct Row {
    const char* name;
    QString config;
    QStringList args;
    QString action;
    int exit;
    QStringList outcomes;
    QByteArray before{};
    QString image = "accepted.frw";
};
const QString Ok = " upgraded 0";
// clang-format off
const Row rows[] = {
    {"eight at once", units(8), {"--count", "8"}, "", 0, {"UNIT0001" + Ok, "UNIT0002" + Ok, "UNIT0003" + Ok, "UNIT0004" + Ok, "UNIT0005" + Ok, "UNIT0006" + Ok, "UNIT0007" + Ok, "UNIT0008" + Ok}},
    {"plugged in later, and again after an unplug", units(2, 2, "plugged=300-1500,2100-"), {"--new-only", "--count", "2"}, "", 0, {"UNIT0002 upgraded 0", "UNIT0002 upgraded 1"}, {}, "three-records.frw"},
    {"unplugged mid-transfer frees its slot", units(2, 1, "unplug_at_record=2"), {"--jobs", "1", "--count", "2"}, "", 6, {"UNIT0001 programming_error 0", "UNIT0002" + Ok}},
    {"Ctrl-C lets the running upgrade finish", units(1), {}, "int", 0, {"UNIT0001" + Ok}},
    {"a second Ctrl-C interrupts it", units(1), {}, "int int", 130, {"UNIT0001 interrupted 0"}},
    {"an upgrade killed is closed by the station", units(1), {"--count", "1"}, "kill upgrade", 6, {"UNIT0001 process_died 0"}},
    {"the station killed, its upgrades close their attempts", units(2), {}, "kill station", -1, {"UNIT0001 interrupted 0", "UNIT0002 interrupted 0"}},
    {"the image replaced and then deleted mid-run", units(3), {"--jobs", "1", "--count", "3"}, "replace image", 0, {"UNIT0001" + Ok, "UNIT0002" + Ok, "UNIT0003" + Ok}},
    {"an attempt whose process died counts, a torn last line stays a line of its own", units(1), {"--count", "1"}, "", 0, {"UNIT0001 upgraded 0", "UNIT0001 upgraded 2"},
     R"({"serial":"UNIT0001","outcome":"upgraded","earlier_records":0,"failed_step":null})" "\n"
     R"({"serial":"UNIT0001","state":"started","attempt":"died"})" "\n"
     R"({"serial":"UNIT0001","outc)"},
    {"record file cannot be written", units(1), {"--record", "/nonexistent/records"}, "", 3, {}},
    {"image fails its checks", units(1), {}, "", 3, {}, {}, "too-short.frw"},
};
// clang-format on

// A closing line holds every one of these.
const QStringList ClosingFields =
    QString(
        "attempt started_at ended_at host program_version serial image image_sha256 "
        "firmware_key records records_acknowledged duration_ms outcome exit_code failed_step "
        "detail hint earlier_records")
        .split(' ');

// The row's files: the image as the station is given it, and the record file as the row starts it.
struct Files {
    QTemporaryDir folder;
    QString image;
    QString recordPath = folder.filePath("tarvellon-records.jsonl");
    QString sha256;  // of the image
};

void prepare(const Row& row, Files& files) {
    files.image = Images + row.image;
    if (row.action == "replace image") {
        ASSERT_TRUE(QFile::copy(files.image, files.folder.filePath("image.frw")));
        files.image = files.folder.filePath("image.frw");
    }
    QFile before(files.recordPath);
    ASSERT_TRUE(row.before.isEmpty() ||
                (before.open(QIODevice::WriteOnly) && before.write(row.before) > 0));
    QFile image(files.image);
    if (image.open(QIODevice::ReadOnly))
        files.sha256 =
            QCryptographicHash::hash(image.readAll(), QCryptographicHash::Sha256).toHex();
}

// Does what the row asks once a unit flashes, and waits for the station to end; its stdout
// lands in `out`.
void act(const Row& row, const Files& files, QProcess& station, QByteArray& out) {
    const auto readUntil = [&](const QByteArray& text, int times) {
        while (out.count(text) < times && station.waitForReadyRead(10000))
            out += station.readAllStandardOutput();
    };
    readUntil("flashing", row.action.isEmpty() ? 0 : row.action == "kill station" ? 2 : 1);
    for (qsizetype n = row.action.count("int"); n > 0; --n) {
        ASSERT_TRUE(SignalRunning(station, SIGINT));
        QThread::msleep(50);
    }
    if (row.action == "kill upgrade") {
        ASSERT_TRUE(
            WaitUntil([&] { return !ReadRecordFile(files.recordPath).started.isEmpty(); }, 5000));
        const qint64 upgrade = ReadRecordFile(files.recordPath).started[0]["pid"].toInteger();
        ASSERT_GT(upgrade, 0);
        ::kill(pid_t(upgrade), SIGKILL);
    }
    if (row.action == "kill station") {
        ASSERT_TRUE(SignalRunning(station, SIGKILL));
        // No upgrade outlives it by more than the wait it is in, and each closes its attempt.
        const RecordFileLines killed = ReadRecordFile(files.recordPath);
        EXPECT_TRUE(WaitUntil(
            [&] {
                return std::all_of(killed.started.begin(), killed.started.end(),
                                   [](const QJsonObject& r) { return gone(r["pid"].toInteger()); });
            },
            UpgradeProcedure::ReplyDeadlineMs));
    }
    if (row.action == "replace image") {
        QFile replaced(files.image);
        ASSERT_TRUE(replaced.open(QIODevice::WriteOnly));
        QFile other(Images + "three-records.frw");
        ASSERT_TRUE(other.open(QIODevice::ReadOnly) && replaced.write(other.readAll()) > 0);
        replaced.close();
        readUntil("flashing", 2);
        ASSERT_TRUE(QFile::remove(files.image));
    }
    ASSERT_TRUE(station.waitForFinished(30000));
    out += station.readAllStandardOutput();
}

// Every attempt closed, each closing line whole; the torn line apart, skipped. The attempts
// opened, sorted.
QStringList expectAttemptLines(const Row& row, const Files& files) {
    const RecordFileLines lines = ReadRecordFile(files.recordPath);
    EXPECT_EQ(lines.other, row.before.isEmpty() ? QByteArrayList()
                                                : QByteArrayList{row.before.split('\n').last()});
    QStringList outcomes, opened, closed;
    for (const QJsonObject& started : lines.started)
        if (started.contains("pid")) opened << started["attempt"].toString();
    for (const QJsonObject& closing : lines.closing) {
        // Those of this run, not the one the file held before.
        if (closing.contains("attempt")) {
            for (const QString& field : ClosingFields)
                EXPECT_TRUE(closing.contains(field)) << field.toStdString();
            EXPECT_EQ(closing["image_sha256"].toString(), files.sha256);
            EXPECT_EQ(closing["image"].toString(), files.image);
            EXPECT_EQ(closing["outcome"] == "upgraded", closing["hint"].isNull());
            closed << closing["attempt"].toString();
        }
        EXPECT_EQ(closing["outcome"] == "upgraded", closing["failed_step"].isNull());
        outcomes << QString("%1 %2 %3")
                        .arg(closing["serial"].toString(), closing["outcome"].toString())
                        .arg(closing["earlier_records"].toInt());
    }
    outcomes.sort();
    EXPECT_EQ(outcomes, row.outcomes);
    opened.sort();
    closed.sort();
    EXPECT_EQ(opened, closed);
    return opened;
}

class Station : public testing::TestWithParam<Row> {};

TEST_P(Station, FlashesEachPlugInOnceAndRecordsIt) {
    const Row& row = GetParam();
    SimBridge sim(row.config);
    ASSERT_TRUE(sim.ready());
    Files files;
    ASSERT_NO_FATAL_FAILURE(prepare(row, files));
    QProcess station;
    station.setWorkingDirectory(files.folder.path());
    station.start(FLASH_PROGRAM, QStringList{"station", files.image} + row.args);
    QByteArray out;
    ASSERT_NO_FATAL_FAILURE(act(row, files, station, out));
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

    const QStringList opened = expectAttemptLines(row, files);
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

}  // namespace
