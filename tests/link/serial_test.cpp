// A technician without the vendor's library flashes through the kernel's serial driver: a wire
// that differs from the library's, line settings that rewrite a record's bytes, or a silent,
// vanished or held port that hangs the program or ends it with the wrong code would pass a bad
// unit. Each row runs the real program on a pseudo-terminal whose far end is the simulated device.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <memory>
#include <optional>

#include "operations/UpgradeProcedure.h"
#include "tests/common/SimBridge.h"
#include "tests/common/WaitUntil.h"
#include "tests/common/Watched.h"

namespace {

const QString Images = SAMPLE_IMAGES_DIR "/";

// config: the device behind the pseudo-terminal; "held": the silent device's port, while its
// upgrade holds it; "missing": a path that does not exist; "early": a host with its echo on writes
// "id" and closes the port before the reply, then the upgrade follows. said: a line on stderr, %1
// the port, %2 the holder's process id; after a failure a hint ends stderr.
const QString Unreadable =
    "the bridge's latency timer cannot be read, so it is left alone; the upgrade runs at the "
    "bridge's pace";

struct Row {
    const char* name;
    QString config;
    const char* image;
    int exit;
    QString said;
};
// clang-format off
const Row rows[] = {
    {"whole upgrade", "latency_ms=0\nprogram_ms=0", "accepted.frw", 0, Unreadable},
    {"silent device", "silent_from_record=2", "three-records.frw", 2, "no reply to record 2 of 3 within 10 s"},
    {"unplugged mid-transfer", "unplug_at_record=2", "three-records.frw", 2, "the device vanished after record 2 of 3 was sent"},
    {"busy port", "held", "three-records.frw", 1, "%1 (device TARV0001) is in use by tarvellon-flash (pid %2)"},
    {"no such port", "missing", "three-records.frw", 4, "/dev/tarvellon-none does not exist"},
    {"an earlier host gone before its reply", "early", "three-records.frw", 0, Unreadable},
};
// clang-format on

const QString LineSet = "^line 9600 8N1 flow none raw$";

struct PtyRun {
    std::unique_ptr<SimBridge> sim;
    std::optional<Watched> bridge;
    QProcess flash;
    QString port;
    qint64 holderPid = 0;
    QElapsedTimer clock;
};

TEST(KernelSerial, UpgradesThroughAPseudoTerminal) {
    std::vector<PtyRun> runs(std::size(rows));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const Row& row = rows[i];
        PtyRun& run = runs[i];
        if (row.config == "held") {
            ASSERT_TRUE(runs[1].bridge->says(LineSet));
            run.port = runs[1].port;
            run.holderPid = runs[1].flash.processId();
        } else if (row.config == "missing") {
            run.port = "/dev/tarvellon-none";
        } else {
            run.sim = std::make_unique<SimBridge>("device=TARV0001\n" +
                                                  (row.config != "early" ? row.config : ""));
            run.bridge.emplace(PTY_BRIDGE_PROGRAM, QStringList{});
            ASSERT_TRUE(run.bridge->says("^/\\S+\\n"));
            run.port = run.bridge->out.split('\n').first();
        }
        if (row.config == "early") {
            // Without echo, or a reply that reaches the port before it closes comes back to the
            // device as though the host had sent it.
            ASSERT_EQ(
                QProcess::execute("/bin/sh", {"-c", R"(stty -F "$1" -echo && printf 'id\n' > "$1")",
                                              "sh", run.port}),
                0);
            // The device's reply meets the closed port.
            ASSERT_TRUE(
                WaitUntil([&] { return !run.sim->events(SimEvent::Kind::Lost).isEmpty(); }, 5000));
        }
        run.clock.start();
        run.flash.start(FLASH_PROGRAM,
                        {"upgrade", "--port", run.port, "TARV0001", Images + row.image});
    }

    for (std::size_t i = 0; i < runs.size(); ++i) {
        const Row& row = rows[i];
        PtyRun& run = runs[i];
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(run.flash.waitForFinished(30000));
        EXPECT_LT(run.clock.elapsed(), UpgradeProcedure::ReplyDeadlineMs + 3000);
        EXPECT_EQ(run.flash.exitCode(), row.exit);
        const QString err = QString::fromUtf8(run.flash.readAllStandardError()).trimmed();
        const QStringList lines = err.split('\n');
        const QString said =
            QString(row.said).replace("%1", run.port).replace("%2", QString::number(run.holderPid));
        EXPECT_TRUE(lines.contains("tarvellon-flash: " + said)) << err.toStdString();
        EXPECT_EQ(lines.last().startsWith("tarvellon-flash: hint: "), row.exit != 0);
        EXPECT_TRUE(!run.bridge || run.bridge->says(LineSet));
        // A reply the host never read does not come back as the host's bytes: the device hears
        // the early host's "id" and then the upgrade's.
        if (row.config == "early") {
            const QList<SimEvent> heard = run.sim->events(SimEvent::Kind::Command);
            EXPECT_EQ(heard.value(0).bytes + '|' + heard.value(1).bytes, "id\r|id");
        }
    }

    // The same device behind the simulated bridge and its library sees the very same wire.
    SimBridge sim("device=TARV0001\nlatency_ms=0\nprogram_ms=0");
    QProcess library;
    library.start(FLASH_PROGRAM,
                  {"upgrade", "--driver", "d2xx", "TARV0001", Images + "accepted.frw"});
    ASSERT_TRUE(library.waitForFinished(30000));
    EXPECT_EQ(library.readAllStandardOutput(), runs[0].flash.readAllStandardOutput());
    EXPECT_EQ(runs[0].sim->wire(), sim.wire());
    EXPECT_GT(sim.wire().size(), 300);
}

}  // namespace
