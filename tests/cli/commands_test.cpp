// The command line as scripts and technicians meet it, run in process on the simulated bridge:
// every usage error said with the help it points at and exit 64, the list in each of its forms,
// an image checked at the desk, a unit not attached told apart from one that will not open. A
// wrong exit code or a line that moves breaks the scripts that read them.

#include <gtest/gtest.h>

#include "cli/Program.h"
#include "tests/common/CapturedOutput.h"
#include "tests/common/SimBridge.h"

namespace {

const QString D = "device=TARV0001\nlatency_ms=0\nprogram_ms=0\n";
const QString Three = SAMPLE_IMAGES_DIR "/three-records.frw";
const QString Short = SAMPLE_IMAGES_DIR "/too-short.frw";
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
    {"help for two", D, {"help", "list", "info"}, 64, {}, {"help takes one command: list, identify, upgrade, station, info", "try 'tarvellon-flash --help'"}},
    {"help upgrade", D, {"help", "upgrade"}, 0, {"Usage: tarvellon-flash upgrade [options] [SERIAL] IMAGE", "Loads the firmware image into the device.", "..."}},
    {"list", D, {"list"}, 0, {"TARV0001"}, {Driver}},
    {"list -l", D, {"list", "-l", "-q"}, 0, {"SERIAL    DRIVER  PORT  LOCATION  DESCRIPTION", "TARV0001  d2xx    -     0x1141    FT232R USB UART"}},
    {"list --json", D, {"list", "--json"}, 0, {R"({"description":"FT232R USB UART","driver":"d2xx","location":"0x1141","port":null,"serial":"TARV0001"})"}, {Driver}},
    {"list, none attached", "", {"list"}, 4, {}, {Driver, "no device is attached", "hint: No bridge answers through the vendor's library..."}},
    {"list -l --json", D, {"list", "-l", "--json"}, 64, {}, {"-l and --json cannot go together", "try 'tarvellon-flash list --help'"}},
    {"info", D, {"info", Three}, 0, {"file      " + Three, "size      47 bytes", "key       µTARVEL0", "records   3", "sha256    e86e590c081373a163241959dc964fe55701db4767398c7b802b6ed29aef7715", "duration  0.1 s at the bridge's default 16 ms latency timer, ..."}},
    {"info --json", D, {"info", "--json", Three}, 0, {R"({"detail":null,"event":"info","exit_code":0,"expected_ms_default_timer":95,"expected_ms_fast_link":50,"hint":null,"image":")" + Three + R"(","image_bytes":47,"image_key":"µTARVEL0","image_sha256":"e86e590c081373a163241959dc964fe55701db4767398c7b802b6ed29aef7715","records":3,"schema_version":1})"}},
    {"info, bad image", D, {"info", Short}, 3, {}, {Short + " is 5 bytes long, too short for an image: an 8-byte key and at least one 13-byte record, 21 bytes", "hint: The file is not a whole firmware image..."}},
    {"upgraded in process", D, {"upgrade", "TARV0001", Three, "-q"}, 0, {"Openning file " + Three, "Upgrading firmware...", "Upgrade successfull.", "Upgrade successfull !", ""}},
    {"upgrade, none attached", "", {"upgrade", Three}, 4, {}, {"no device is attached", "hint: No bridge answers..."}},
    {"upgrade, two attached", D + "device=TARV0002", {"upgrade", Three}, 64, {}, {"2 devices are attached (TARV0001, TARV0002): name one", UpgradeHelp}},
    {"record file unwritable", D, {"upgrade", "--record", "/nonexistent/records.jsonl", "TARV0001", Three}, 3, {}, {"cannot append to the record file /nonexistent/records.jsonl: No such file or directory", "hint: The record file cannot be written..."}},
    {"identify, unknown serial", D, {"identify", "TARV9"}, 4, {"New device selected : TARV9", "Can't talk to device, check connection."}, {"no device with serial number TARV9 is attached", "hint: The unit is not plugged in..."}},
    {"image missing", D, {"upgrade"}, 64, {}, {"upgrade takes [SERIAL] IMAGE", UpgradeHelp}},
    {"bad latency", D, {"upgrade", "--latency-ms", "0", Three}, 64, {}, {"--latency-ms takes 1 to 255 or 'keep'", UpgradeHelp}},
    {"bad hash", D, {"upgrade", "--expect-sha256", "e86e", Three}, 64, {}, {"--expect-sha256 takes the 64 hex digits of a SHA-256", UpgradeHelp}},
    {"bad driver", D, {"upgrade", "--driver", "foo", Three}, 64, {}, {"--driver takes d2xx, serial or auto", UpgradeHelp}},
    {"a port through the library", D, {"upgrade", "--driver", "d2xx", "--port", "/dev/ttyUSB0", Three}, 64, {}, {"--port opens the port through the kernel's driver, so it cannot go with --driver d2xx", UpgradeHelp}},
    {"unknown option", D, {"upgrade", "--jsn", Three}, 64, {}, {"unknown option --jsn", UpgradeHelp}},
    {"option without its value", D, {"upgrade", Three, "--record"}, 64, {}, {"--record needs a value", UpgradeHelp}},
    {"-v and -q", D, {"upgrade", "-v", "-q", Three}, 64, {}, {"-v and -q cannot go together", UpgradeHelp}},
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

}  // namespace
