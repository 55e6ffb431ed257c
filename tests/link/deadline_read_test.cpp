// A device that goes silent, floods the line or is unplugged must end a deadline read with a
// value: silence after the deadline, garbage after 4,096 characters, an unplug at once.

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "link/DeviceCommands.h"
#include "link/EventPump.h"
#include "link/FTDI.h"
#include "link/PortHandle.h"
#include "link/SubCom.h"
#include "tests/common/SimBridge.h"

namespace {

using FTDI::ReadOutcome;

TEST(DeadlineRead, LineReadEndsOnSilenceFloodAndUnplug) {
    const struct {
        const char* fault;  // of the device that answers "id"
        int deadlineMs;
        ReadOutcome outcome;
        QString line;  // what arrived before the read gave up
    } reads[] = {
        {"silent_from_command = id", 300, ReadOutcome::NoReply, ""},
        {"flood_command = id\nflood_bytes = 5000", 10000, ReadOutcome::LineTooLong,
         QString(FTDI::MaxLineLength, 'x')},
        {"unplug_mid_reply = id", 10000, ReadOutcome::DeviceError,
         QString::fromLatin1("id \xB5Tar")},
    };
    for (const auto& read : reads) {
        SCOPED_TRACE(read.fault);
        SimBridge sim(QStringLiteral("device = TARV0001\n") + read.fault);
        ASSERT_TRUE(sim.ready());
        PortHandle = FTDI::OpenBySerial("TARV0001");
        SubCom::SendCommand(DeviceCommands::Identify());
        int pumps = 0;
        EventPump::Set([&pumps] { ++pumps; });
        QElapsedTimer timer;
        timer.start();
        const FTDI::LineReply reply = FTDI::ReadLineWithin(read.deadlineMs);
        EXPECT_EQ(reply.outcome, read.outcome);
        EXPECT_EQ(reply.line, read.line);
        // Only silence waits the deadline out, pumping the window's events meanwhile.
        const bool silence = read.outcome == ReadOutcome::NoReply;
        EXPECT_EQ(timer.elapsed() >= read.deadlineMs, silence);
        EXPECT_TRUE(pumps > 0 || !silence);
        EventPump::Set({});
        SubCom::ClosePort();
    }
}

}  // namespace
