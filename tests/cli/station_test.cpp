// A production line trusts the station to flash every unit once per plug-in and to leave a record
// of each: a unit flashed twice, one skipped, a failure counted as a pass or a record missing lets
// a bad unit leave the line. Each row runs the real station as a process against simulated units
// that come and go, and reads its record file, its output and the wire.

#include <gtest/gtest.h>
#include <signal.h>

#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

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

// outcomes: "SERIAL outcome earlier" a record, sorted; interrupts: SIGINTs once a unit flashes.
struct Row {
    const char* name;
    QString config;
    QStringList args;
    int interrupts;
    int exit;
    QStringList outcomes;
};
const QString Ok = " upgraded 0";
const Row rows[] = {
    {"eight at once",
     units(8),
     {"--count", "8"},
     0,
     0,
     {"UNIT0001" + Ok, "UNIT0002" + Ok, "UNIT0003" + Ok, "UNIT0004" + Ok, "UNIT0005" + Ok,
      "UNIT0006" + Ok, "UNIT0007" + Ok, "UNIT0008" + Ok}},
    {"one of eight refuses a record",
     units(8, 5, "refuse_record=2"),
     {"--count", "8"},
     0,
     6,
     {"UNIT0001" + Ok, "UNIT0002" + Ok, "UNIT0003" + Ok, "UNIT0004" + Ok,
      "UNIT0005 programming_error 0", "UNIT0006" + Ok, "UNIT0007" + Ok, "UNIT0008" + Ok}},
    {"plugged in later, and again after an unplug",
     units(2, 2, "plugged=300-1500,2100-"),
     {"--new-only", "--count", "2", "--image", "three-records.frw"},
     0,
     0,
     {"UNIT0002 upgraded 0", "UNIT0002 upgraded 1"}},
    {"unplugged mid-transfer frees its slot",
     units(2, 1, "unplug_at_record=2"),
     {"--jobs", "1", "--count", "2"},
     0,
     6,
     {"UNIT0001 programming_error 0", "UNIT0002" + Ok}},
    {"Ctrl-C lets the running upgrade finish", units(1), {}, 1, 0, {"UNIT0001" + Ok}},
    {"a second Ctrl-C interrupts it", units(1), {}, 2, 130, {"UNIT0001 interrupted 0"}},
    {"record file cannot be written", units(1), {"--record", "/nonexistent/records"}, 0, 3, {}},
    {"image fails its checks", units(1), {"--image", "too-short.frw"}, 0, 3, {}},
    {"no library", "nolib", {"--driver", "d2xx"}, 0, 5, {}},
    {"bad count", units(1), {"--count", "0"}, 0, 64, {}},
};

class Station : public testing::TestWithParam<Row> {};

TEST_P(Station, FlashesEachPlugInOnceAndRecordsIt) {
    const Row& row = GetParam();
    SimBridge sim(row.config == "nolib" ? "" : row.config);
    ASSERT_TRUE(sim.ready());
    QTemporaryDir folder;
    QStringList args = row.args;
    QString image = Images + "accepted.frw";
    if (const qsizetype at = args.indexOf("--image"); at >= 0) {
        image = Images + args.takeAt(at + 1);
        args.removeAt(at);
    }
    QProcess station;
    station.setWorkingDirectory(folder.path());
    if (row.config == "nolib") {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LD_LIBRARY_PATH", "");
        station.setProcessEnvironment(environment);
    }
    station.start(FLASH_PROGRAM, QStringList{"station", image} + args);
    QByteArray out;
    while (row.interrupts > 0 && !out.contains("flashing") && station.waitForReadyRead(10000))
        out += station.readAllStandardOutput();
    for (int i = 0; i < row.interrupts; ++i) {
        ::kill(pid_t(station.processId()), SIGINT);
        QThread::msleep(50);
    }
    ASSERT_TRUE(station.waitForFinished(30000));
    out += station.readAllStandardOutput();
    EXPECT_EQ(station.exitCode(), row.exit) << station.readAllStandardError().toStdString();
    EXPECT_FALSE(out.contains('\x1b') || out.contains('\r'));

    QFile file(folder.filePath("tarvellon-records.jsonl"));
    const QByteArray records = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    QFile imageFile(image);
    ASSERT_TRUE(imageFile.open(QIODevice::ReadOnly));
    const QString sha256 =
        QCryptographicHash::hash(imageFile.readAll(), QCryptographicHash::Sha256).toHex();
    QStringList outcomes;
    for (const QByteArray& line : records.split('\n')) {
        if (line.isEmpty()) continue;
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        ASSERT_FALSE(record.isEmpty()) << line.toStdString();
        EXPECT_EQ(record["image_sha256"].toString(), sha256);
        EXPECT_EQ(record["outcome"] == "upgraded", record["failed_step"].isNull());
        EXPECT_EQ(record["outcome"] == "upgraded", record["hint"].isNull());
        outcomes << QString("%1 %2 %3")
                        .arg(record["serial"].toString(), record["outcome"].toString())
                        .arg(record["earlier_records"].toInt());
    }
    outcomes.sort();
    EXPECT_EQ(outcomes, row.outcomes);

    // Units at once: every open comes before the first upgrade ends. None without a record.
    const QList<SimEvent> opens = sim.events(SimEvent::Kind::Open);
    const QList<SimEvent> closes = sim.events(SimEvent::Kind::Close);
    EXPECT_EQ(opens.size(), row.outcomes.size());
    if (row.name == QString("eight at once")) {
        EXPECT_LT(opens.last().timeUs, closes.first().timeUs);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, Station, testing::ValuesIn(rows),
                         [](const auto& info) { return std::to_string(info.index); });

}  // namespace
