// A slot is the port a unit hangs on: numbered in the order of the ports' locations, named by
// --slots, the same after every unplug, and another one for the same unit in another port. A slots
// file that could mislead on a screen is refused, by every front end of the station alike.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "tests/cli/StationTesting.h"
#include "tests/common/SimBridge.h"
#include "tests/common/WriteFile.h"

namespace {

using namespace StationTesting;

struct SlotRow {
    const char* name;
    QString config;
    QString slotsFile;  // its text; "none" for no option, "missing" for a path to nothing
    int exit;
    QStringList places;  // "SERIAL SLOT LOCATION" of the closing lines, sorted
    QString said = {};   // what stderr says after the file's path, when it is refused
};
const QString Fast = "latency_ms=0\nprogram_ms=0\n";
const QString Twice = " is given twice (line 1 gives it; case and spacing do not count)";
// clang-format off
const SlotRow slotRows[] = {
    {"the same unit in another port is another slot", "device=UNIT0001\nplugged=0-1500@0x1141,2100-@0x1142\n" + Fast, "none", 0, {"UNIT0001 1 0x1141", "UNIT0001 2 0x1142"}},
    {"named by --slots, the rest numbered", units(3), "# fixture 7\n0x1142 = Bay B\n  0X01141=Bay A  \n\n", 0, {"UNIT0001 Bay A 0x1141", "UNIT0002 Bay B 0x1142", "UNIT0003 3 0x1143"}},
    {"a slots line without a name", units(1), "0x1141 = Bay A\n1-1.4 Slot 3\n", 64, {}},
    {"a name longer than 64 characters", units(1), "0x1141 = " + QString(65, 'L'), 64, {}, ", line 1: the name is 65 characters long; a name has 64 at most"},
    {"a C1 control character", units(1), "0x1141 = Bay\u009b2JA", 64, {}, ", line 1: the name holds the control character U+009B"},
    {"a right-to-left override", units(1), "0x1141 = \u202eSSAP", 64, {}, ", line 1: the name holds U+202E, which reorders the text shown around it"},
    {"nothing but zero-width characters", units(1), "0x1141 = \u200b\u200d\ufeff", 64, {}, ", line 1: the name shows nothing: it holds no letter, digit or sign"},
    {"the same name in another case", units(1), "0x1141 = Bay A\n0x1142 = bay a", 64, {}, ", line 2: the name bay a" + Twice},
    {"a location named twice", units(1), "1-1.4 = A\n1-1.4 = B\n", 64, {}},
    {"not a location", units(1), "ttyUSB0 = A\n", 64, {}},
    {"no slots file", units(1), "missing", 3, {}},
};
// clang-format on

// Every program that runs the station engine, as it is started for a row; the window only for the
// rows it refuses before it opens, with the command line's exit and words.
const QList<QStringList> FrontEnds = {{FLASH_PROGRAM, "station"}, {STATION_PROGRAM}};

class StationSlots : public testing::TestWithParam<SlotRow> {};

TEST_P(StationSlots, StayWithTheirPorts) {
    const SlotRow& row = GetParam();
    for (const QStringList& frontEnd : FrontEnds) {
        const bool window = frontEnd[0] == STATION_PROGRAM;
        if (window && row.exit == 0) continue;
        SCOPED_TRACE(frontEnd[0].toStdString());
        SimBridge sim(row.config);
        ASSERT_TRUE(sim.ready());
        QTemporaryDir folder;
        const QString slotsPath = folder.filePath("slots.txt");
        ASSERT_TRUE(row.slotsFile == "missing" || WriteFile(slotsPath, row.slotsFile.toUtf8()));
        QStringList args = frontEnd.mid(1) + QStringList{Images + "three-records.frw"};
        if (!window) args << "--count" << QString::number(qMax(row.places.size(), 1));
        if (row.slotsFile != "none") args << "--slots" << slotsPath;
        QProcess station;
        station.setWorkingDirectory(folder.path());
        station.start(frontEnd[0], args);
        ASSERT_TRUE(station.waitForFinished(30000));
        const QString err = station.readAllStandardError();
        EXPECT_EQ(station.exitCode(), row.exit) << err.toStdString();
        if (row.exit != 0) {
            EXPECT_TRUE(err.contains(slotsPath)) << err.toStdString();
            EXPECT_TRUE(err.section('\n', 0, 0).endsWith(row.said)) << err.toStdString();
            EXPECT_LT(err.size(), 1000);
        }

        const RecordFileLines lines = ReadRecordFile(folder.filePath("tarvellon-records.jsonl"));
        QStringList places;
        for (const QJsonObject& line : lines.started + lines.closing) {
            EXPECT_EQ(line["schema_version"], 1);
            EXPECT_EQ(line["station"], line["host"]);
            if (line.contains("outcome"))
                places << QStringList{line["serial"].toString(), line["slot"].toString(),
                                      line["location"].toString()}
                              .join(' ');
        }
        places.sort();
        EXPECT_EQ(places, row.places);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, StationSlots, testing::ValuesIn(slotRows),
                         [](const auto& info) { return std::to_string(info.index); });

}  // namespace
