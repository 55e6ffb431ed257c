// The command line as scripts and technicians meet it, run in process on the simulated bridge:
// every usage error said with the help it points at and exit 64, the list in each of its forms,
// an image checked at the desk, a unit not attached told apart from one that will not open. A
// wrong exit code or a line that moves breaks the scripts that read them.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "cli/Program.h"
#include "station/SlotNames.h"
#include "tests/common/CapturedOutput.h"
#include "tests/common/SimBridge.h"
#include "tests/common/WriteFile.h"

namespace {

const QString D = "device=TARV0001\nlatency_ms=0\nprogram_ms=0\n";
const QString Three = SAMPLE_IMAGES_DIR "/three-records.frw";
const QString Short = SAMPLE_IMAGES_DIR "/too-short.frw";
// Made from three-records.frw by the test: its first two records alone, and all three with 3 more
// bytes.
const QTemporaryDir Made;
const QString Cut = Made.filePath("cut.frw"), Tail = Made.filePath("tail.frw");
const QString Escape = "device=UN\x1b[2J01\nlatency_ms=0\nprogram_ms=0\n";
const QString Driver = "driver: d2xx (the vendor's D2XX library)";
const QString UpgradeHelp = "try 'tarvellon-flash upgrade --help'";

// out, err: the lines written, each after "tarvellon-flash: " on stderr; a line ending in "..."
// is the start of the line written.
struct Row {
    const char* name;
    QString config;
    QStringList args;
    int exit;
    QStringList out;
    QStringList err = {};
};
// clang-format off
const Row rows[] = {
    {"no command", D, {}, 64, {}, {"no command given", "try 'tarvellon-flash --help'"}},
    {"unknown command", D, {"flash"}, 64, {}, {"unknown command 'flash'", "try 'tarvellon-flash --help'"}},
    {"help upgrade", D, {"help", "upgrade"}, 0, {"Usage: tarvellon-flash upgrade [options] [SERIAL] IMAGE", "Loads the firmware image into the device.", "..."}},
    {"list", D, {"list"}, 0, {"TARV0001"}, {Driver}},
    {"list -l", D, {"list", "-l", "-q"}, 0, {"SERIAL    DRIVER  PORT  LOCATION  DESCRIPTION", "TARV0001  d2xx    -     0x1141    FT232R USB UART"}},
    {"list --json", D, {"list", "--json"}, 0, {R"({"detail":null,"devices":[{"description":"FT232R USB UART","driver":"d2xx","location":"0x1141","port":null,"serial":"TARV0001"}],"event":"list","exit_code":0,"hint":null,"schema_version":1})"}, {Driver}},
    {"list, none attached", "", {"list"}, 4, {}, {Driver, "no device is attached", "hint: No bridge answers through the vendor's library..."}},
    {"list --json, none attached", "", {"list", "--json", "-q"}, 4, {R"({"detail":"no device is attached","devices":[],"event":"list","exit_code":4,"hint":"No bridge answers through the vendor's library: check the cable, that the kernel's ftdi_sio driver does not hold the bridge (sudo rmmod ftdi_sio), and that you are in the plugdev group.","schema_version":1})"}},
    {"list, a serial's control bytes escaped", Escape, {"list", "-q"}, 0, {"UN\\x1b[2J01"}},
    {"info", D, {"info", Three}, 0, {"file      " + Three, "size      47 bytes", "key       µTARVEL0", "records   3", "sha256    e86e590c081373a163241959dc964fe55701db4767398c7b802b6ed29aef7715", "duration  0.1 s at the bridge's default 16 ms latency timer, ..."}},
    {"info --json", D, {"info", "--json", Three}, 0, {R"({"detail":null,"event":"info","exit_code":0,"expected_ms_default_timer":95,"expected_ms_fast_link":50,"hint":null,"ignored_bytes":0,"image":")" + Three + R"(","image_bytes":47,"image_key":"µTARVEL0","image_sha256":"e86e590c081373a163241959dc964fe55701db4767398c7b802b6ed29aef7715","records":3,"schema_version":1})"}},
    {"info, bad image", D, {"info", Short}, 3, {}, {Short + " is 5 bytes long, too short for an image: an 8-byte key and at least one 13-byte record, 21 bytes", "hint: The file is not a whole firmware image..."}},
    {"info, 3 bytes after the last record", D, {"info", Tail}, 0, {"file      " + Tail, "size      50 bytes", "key       µTARVEL0", "records   3", "ignored   3 bytes after the last whole record, never sent", "..."}},
    {"upgraded in process", D, {"upgrade", "TARV0001", Three, "-q"}, 0, {"Openning file " + Three, "Upgrading firmware...", "Upgrade successfull.", "Upgrade successfull !", ""}},
    {"upgraded, summed up last", D, {"upgrade", "--latency-ms", "keep", Three}, 0, {"..."}, {"upgraded TARV0001: 3 records in ..."}},
    {"upgrade, an image cut short", D, {"upgrade", "-q", Cut}, 2, {"Openning file " + Cut, "Upgrading firmware..."}, {"record 2 of 2, the image's last, was answered 0: the device expected more records", "hint: The image may be cut short..."}},
    {"upgrade, none attached", "", {"upgrade", Three}, 4, {}, {"no device is attached", "hint: No bridge answers..."}},
    {"upgrade, unknown serial", D, {"upgrade", "TARV9", Three}, 4, {"Openning file " + Three}, {"no device with serial number TARV9 is attached", "hint: The unit is not plugged in..."}},
    {"upgrade, two attached", D + "device=TARV0002", {"upgrade", Three}, 64, {}, {"2 devices are attached (TARV0001, TARV0002): name one", UpgradeHelp}},
    {"record file unwritable", D, {"upgrade", "--record", "/nonexistent/records.jsonl", "TARV0001", Three}, 3, {}, {"cannot append to the record file /nonexistent/records.jsonl: No such file or directory", "hint: The record file cannot be written..."}},
    {"identify, unknown serial", D, {"identify", "TARV9"}, 4, {"New device selected : TARV9", "Can't talk to device, check connection."}, {"no device with serial number TARV9 is attached", "hint: The unit is not plugged in..."}},
    {"a file for a port", D, {"upgrade", "-q", "--port", Three, Three}, 1, {"..."}, {Three + " is not a serial port: it is a regular file", "hint: The path given is no serial port..."}},
    {"bad latency", D, {"upgrade", "--latency-ms", "0", Three}, 64, {}, {"--latency-ms takes 1 to 255 or 'keep'", UpgradeHelp}},
    {"unknown option", D, {"upgrade", "--jsn", Three}, 64, {}, {"unknown option --jsn", UpgradeHelp}},
};
// clang-format on

void expectLines(const QString& written, const QStringList& expected, const QString& prefix) {
    QStringList lines = written.split('\n');
    if (lines.last().isEmpty()) lines.removeLast();
    const bool open = !expected.isEmpty() && expected.last() == "...";
    EXPECT_EQ(open ? lines.size() >= expected.size() - 1 : lines.size() == expected.size(), true)
        << written.toStdString();
    for (qsizetype i = 0; i < expected.size() && !(open && i == expected.size() - 1); ++i) {
        const QString line = prefix + expected[i];
        if (line.endsWith("...")) {
            EXPECT_TRUE(lines.value(i).startsWith(line.chopped(3))) << lines.value(i).toStdString();
        } else {
            EXPECT_EQ(lines.value(i).toStdString(), line.toStdString());
        }
    }
}

TEST(Commands, SayWhatScriptsAndPeopleRead) {
    QFile three(Three);
    ASSERT_TRUE(three.open(QIODevice::ReadOnly));
    const QByteArray bytes = three.readAll();
    ASSERT_TRUE(WriteFile(Cut, bytes.left(8 + 2 * 13)) && WriteFile(Tail, bytes + "xyz"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const SimBridge sim(row.config);
        ASSERT_TRUE(sim.ready());
        const CapturedOutput output;
        EXPECT_EQ(int(RunProgram(QStringList{"tarvellon-flash"} + row.args)), row.exit);
        expectLines(output.out(), row.out, "");
        expectLines(output.err(), row.err, "tarvellon-flash: ");
    }
}

// Every help fits a terminal of 80 columns ("help --help" the program's own); the slots file the
// station's shows is one it takes.
TEST(Commands, HelpFitsAndItsExampleWorks) {
    for (const char* command :
         {"--help", "list", "identify", "upgrade", "station", "info", "line"}) {
        SCOPED_TRACE(command);
        const CapturedOutput output;
        ASSERT_EQ(int(RunProgram({"tarvellon-flash", "help", command})), 0);
        for (const QString& line : output.out().split('\n')) {
            EXPECT_LE(line.size(), 80) << line.toStdString();
            EXPECT_FALSE(line.endsWith(' ')) << line.toStdString();
        }
        if (QString(command) != "station") continue;
        // The --slots example, each of its entries a line of the file.
        const QString help = output.out().simplified();
        const qsizetype at = help.indexOf("one LOCATION = NAME a line (");
        ASSERT_GE(at, 0);
        const qsizetype from = help.indexOf('(', at) + 1;
        const QString example = help.mid(from, help.indexOf(')', from) - from);
        ASSERT_TRUE(WriteFile(Made.filePath("slots"), example.split(", ").join('\n').toUtf8()));
        const SlotNames::Read read = SlotNames::FromFile(Made.filePath("slots"));
        EXPECT_EQ(read.error.toStdString(), "");
        EXPECT_EQ(read.byLocation.size(), 2) << example.toStdString();
    }
}

}  // namespace
