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

using FTDI::LineReply;
using FTDI::ReadOutcome;

LineReply readByte(int deadlineMs) {
    return {FTDI::ReadByteWithin(deadlineMs).outcome, {}};
}

struct DeadlineRead {
    const char* name;
    const char* fault;
    LineReply (*read)(int deadlineMs);
    int deadlineMs;
    ReadOutcome outcome;
    QString line;  // what arrived before the read gave up
};

TEST(DeadlineRead, SilenceFloodAndUnplug) {
    const DeadlineRead reads[] = {
        {"silence", "silent_from_command = id", FTDI::ReadLineWithin, 300, ReadOutcome::NoReply,
         ""},
        {"silence, byte read", "silent_from_command = id", readByte, 200, ReadOutcome::NoReply, ""},
        {"5,000 bytes without a line feed", "flood_command = id\nflood_bytes = 5000",
         FTDI::ReadLineWithin, 10000, ReadOutcome::LineTooLong, QString(FTDI::MaxLineLength, 'x')},
        {"unplug in the middle of a line", "unplug_mid_reply = id", FTDI::ReadLineWithin, 10000,
         ReadOutcome::DeviceError, QString::fromLatin1("id \xB5Tar")},
    };
    for (const DeadlineRead& read : reads) {
        SCOPED_TRACE(read.name);
        SimBridge sim(QStringLiteral("device = TARV0001\n") + read.fault);
        ASSERT_TRUE(sim.ready());
        PortHandle = FTDI::OpenBySerial("TARV0001");
        int pumps = 0;
        EventPump::Set([&pumps] { ++pumps; });
        SubCom::SendCommand(DeviceCommands::Identify());
        QElapsedTimer timer;
        timer.start();
        const LineReply reply = read.read(read.deadlineMs);
        EXPECT_EQ(reply.outcome, read.outcome);
        EXPECT_EQ(reply.line, read.line);
        // Only silence waits the deadline out, pumping the window's events meanwhile.
        const bool silence = read.outcome == ReadOutcome::NoReply;
        EXPECT_EQ(timer.elapsed() >= read.deadlineMs, silence);
        EXPECT_GE(pumps, silence ? 1 : 0);
        EventPump::Set({});
        SubCom::ClosePort();
    }
}

}  // namespace
