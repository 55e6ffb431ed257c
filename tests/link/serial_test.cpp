// A technician without the vendor's library flashes through the kernel's serial driver: a wire
// that differs from the library's, line settings that rewrite a record's bytes, or a silent,
// vanished or held port that hangs the program or ends it with the wrong code would pass a bad
// unit. Each row runs the real program on a pseudo-terminal whose far end is the simulated device.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <memory>

#include "link/serial/AddedPorts.h"
#include "operations/UpgradeProcedure.h"
#include "tests/common/SimBridge.h"

namespace {

const QString Images = SAMPLE_IMAGES_DIR "/";

// config: the device behind the pseudo-terminal; "held": the silent device's port, while its
// upgrade holds it; "missing": a path that does not exist; "early": a host with its echo on writes
// "id" and closes the port before the reply, then the upgrade follows. said: a line on stderr, %1
// the port; after a failure a hint ends stderr.
struct Row {
    const char* name;
    QString config;
    const char* image;
    int exit;
    QString said;
};
const Row rows[] = {
    {"whole upgrade", "latency_ms=0\nprogram_ms=0", "accepted.frw", 0,
     "the bridge's latency timer cannot be read, so it is left alone; the upgrade runs at the "
     "bridge's pace"},
    {"silent device", "silent_from_record=2", "three-records.frw", 2,
     "no reply to record 2 of 3 within 10 s"},
    {"unplugged mid-transfer", "unplug_at_record=2", "three-records.frw", 2,
     "the device vanished after record 2 of 3 was sent"},
    {"busy port", "held", "three-records.frw", 1,
     "%1 (device TARV0001) is in use by another program"},
    {"no such port", "missing", "three-records.frw", 4, "/dev/tarvellon-none does not exist"},
    {"an earlier host gone before its reply", "early", "three-records.frw", 0,
     "the bridge's latency timer cannot be read, so it is left alone; the upgrade runs at the "
     "bridge's pace"},
};

struct PtyRun {
    std::unique_ptr<SimBridge> sim;
    std::unique_ptr<QProcess> bridge, flash;
    QString port;
    QByteArray bridgeOut;
    QElapsedTimer clock;
};

// Reads the bridge's lines until one is `line`.
bool bridgeSaid(PtyRun& run, const QByteArray& line) {
    while (!run.bridgeOut.split('\n').contains(line) && run.bridge->waitForReadyRead(5000))
        run.bridgeOut += run.bridge->readAllStandardOutput();
    return run.bridgeOut.split('\n').contains(line);
}

std::unique_ptr<QProcess> flash(const QStringList& args) {
    auto process = std::make_unique<QProcess>();
    process->start(FLASH_PROGRAM, QStringList{"upgrade"} + args);
    return process;
}

TEST(KernelSerial, UpgradesThroughAPseudoTerminal) {
    std::vector<PtyRun> runs(std::size(rows));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const Row& row = rows[i];
        PtyRun& run = runs[i];
        const QStringList target{"TARV0001", Images + row.image};
        run.port = row.config == "missing" ? "/dev/tarvellon-none"
                   : row.config == "held"  ? runs[1].port
                                           : QString();
        if (row.config == "held") {
            ASSERT_TRUE(bridgeSaid(runs[1], "line 9600 8N1 flow none raw"));
        }
        if (row.config != "held" && row.config != "missing") {
            run.sim = std::make_unique<SimBridge>("device=TARV0001\n" +
                                                  (row.config == "early" ? "" : row.config));
            run.bridge = std::make_unique<QProcess>();
            run.bridge->start(PTY_BRIDGE_PROGRAM);
            ASSERT_TRUE(run.bridge->waitForReadyRead(5000));
            run.bridgeOut = run.bridge->readAllStandardOutput();
            run.port = run.bridgeOut.split('\n').first();
        }
        if (row.config == "early") {
            QProcess host;
            host.start("/bin/sh", {"-c", R"(printf 'id\n' > "$1")", "sh", run.port});
            ASSERT_TRUE(host.waitForFinished(5000));
            // The device's reply meets the closed port.
            QElapsedTimer waited;
            waited.start();
            while (run.sim->events(SimEvent::Kind::Lost).isEmpty()) {
                ASSERT_LT(waited.elapsed(), 5000);
                QThread::msleep(10);
            }
        }
        run.clock.start();
        run.flash = flash(QStringList{"--port", run.port} + target);
    }

    for (std::size_t i = 0; i < runs.size(); ++i) {
        const Row& row = rows[i];
        PtyRun& run = runs[i];
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(run.flash->waitForFinished(30000));
        EXPECT_LT(run.clock.elapsed(), UpgradeProcedure::ReplyDeadlineMs + 3000);
        EXPECT_EQ(run.flash->exitCode(), row.exit);
        const QString err = QString::fromUtf8(run.flash->readAllStandardError()).trimmed();
        const QStringList lines = err.split('\n');
        EXPECT_TRUE(lines.contains("tarvellon-flash: " + QString(row.said).replace("%1", run.port)))
            << err.toStdString();
        EXPECT_EQ(lines.last().startsWith("tarvellon-flash: hint: "), row.exit != 0);
        if (run.bridge) {
            EXPECT_TRUE(bridgeSaid(run, "line 9600 8N1 flow none raw"));
            // A reply the host never read does not come back as the host's bytes: the device hears
            // the early host's "id" and then the upgrade's.
            const QList<SimEvent> heard = run.sim->events(SimEvent::Kind::Command);
            if (row.config == "early") {
                EXPECT_EQ(heard.value(0).bytes + '|' + heard.value(1).bytes, "id\r|id");
            }
            run.bridge->kill();
            run.bridge->waitForFinished();
        }
    }

    // The same device behind the simulated bridge and its library sees the very same wire.
    const PtyRun& whole = runs[0];
    const QByteArray out = whole.flash->readAllStandardOutput();
    SimBridge sim("device=TARV0001\nlatency_ms=0\nprogram_ms=0");
    const auto library = flash({"--driver", "d2xx", "TARV0001", Images + "accepted.frw"});
    ASSERT_TRUE(library->waitForFinished(30000));
    EXPECT_EQ(library->readAllStandardOutput(), out);
    EXPECT_EQ(whole.sim->wire(), sim.wire());
    EXPECT_GT(sim.wire().size(), 300);
}

TEST(KernelSerial, ListsFtdiBridgesBySerialNumber) {
    QList<PortDescription> ports = {
        {0x0403, "TARV0002", "/dev/ttyUSB0"},
        {0x0403, "", "/dev/ttyUSB1"},          // reports no serial number
        {0x10C4, "CP000001", "/dev/ttyUSB2"},  // another vendor's bridge
        {std::nullopt, "", "/dev/ttyS0"},      // not USB
        {0x0403, "FT2232X", "/dev/ttyUSB10"},  // the two channels of one chip
        {0x0403, "FT2232X", "/dev/ttyUSB3"},
        {0x0403, "TARV0001", "/dev/ttyUSB4"},
    };
    const QList<FtdiPort> listed = {{"FT2232XA", "/dev/ttyUSB3"},
                                    {"FT2232XB", "/dev/ttyUSB10"},
                                    {"TARV0001", "/dev/ttyUSB4"},
                                    {"TARV0002", "/dev/ttyUSB0"}};
    EXPECT_EQ(FtdiPorts(ports), listed);
    std::reverse(ports.begin(), ports.end());
    EXPECT_EQ(FtdiPorts(ports), listed);

    // Ports given to the window join the list once each, named by the serial number the system
    // reports, else by their path with links followed; a path that is not there is left out.
    QTemporaryDir folder;
    const QString dev = QDir(folder.path()).canonicalPath() + '/';
    for (const char* name : {"ttyUSB0", "ttyUSB2", "ttyS0"})
        ASSERT_TRUE(QFile(dev + name).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::link(dev + "ttyUSB2", dev + "by-id"));
    const QList<PortDescription> system = {{0x0403, "TARV0001", dev + "ttyUSB0"},
                                           {0x10C4, "CP000001", dev + "ttyUSB2"},
                                           {std::nullopt, "", dev + "ttyS0"}};
    const QStringList given{dev + "ttyUSB0", dev + "by-id", dev + "ttyS0", dev + "gone",
                            dev + "ttyS0"};
    EXPECT_EQ(WithAddedPorts(FtdiPorts(system), system, given),
              (QList<FtdiPort>{{"TARV0001", dev + "ttyUSB0"},
                               {"CP000001", dev + "ttyUSB2"},
                               {dev + "ttyS0", dev + "ttyS0"}}));
}

}  // namespace
