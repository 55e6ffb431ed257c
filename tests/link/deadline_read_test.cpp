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

struct DeadlineRead {
    const char* name;
    const char* fault;
    int deadlineMs;
    ReadOutcome outcome;
    QString line;  // what arrived before the read gave up
    bool waitsOutDeadline;
};

TEST(DeadlineRead, SilenceFloodAndUnplug) {
    const DeadlineRead reads[] = {
        {"silence", "silent_from_command = id", 300, ReadOutcome::NoReply, "", true},
        {"5,000 bytes without a line feed", "flood_command = id\nflood_bytes = 5000", 10000,
         ReadOutcome::LineTooLong, QString(FTDI::MaxLineLength, 'x'), false},
        {"unplug in the middle of a line", "unplug_mid_reply = id", 10000, ReadOutcome::DeviceError,
         QString("id ") + QChar(0xB5) + "Tar", false},
    };
    for (const DeadlineRead& read : reads) {
        SCOPED_TRACE(read.name);
        SimBridge sim(QStringLiteral("device = TARV0001\n") + read.fault);
        ASSERT_TRUE(sim.ready());
        PortHandle = FTDI::OpenBySerial("TARV0001");
        ASSERT_TRUE(PortHandle.isOpen());
        int pumps = 0;
        EventPump::Set([&pumps] { ++pumps; });

        SubCom::SendCommand(DeviceCommands::Identify());
        QElapsedTimer timer;
        timer.start();
        const FTDI::LineReply reply = FTDI::ReadLineWithin(read.deadlineMs);

        EXPECT_EQ(reply.outcome, read.outcome);
        EXPECT_EQ(reply.line, read.line);
        if (read.waitsOutDeadline) {
            EXPECT_GE(timer.elapsed(), read.deadlineMs);
            EXPECT_GT(pumps, 0);
        } else {
            EXPECT_LT(timer.elapsed(), read.deadlineMs);
        }
        EventPump::Set({});
        SubCom::ClosePort();
    }
}

TEST(DeadlineRead, ByteReadGivesUpOnSilenceAndOnAFailedOpen) {
    SimBridge sim(QStringLiteral("device = TARV0001\nsilent_from_command = monitor"));
    ASSERT_TRUE(sim.ready());
    PortHandle = FTDI::OpenBySerial("TARV0001");
    SubCom::SendCommand(DeviceCommands::Monitor());
    EXPECT_EQ(FTDI::ReadByteWithin(200).outcome, ReadOutcome::NoReply);
    SubCom::ClosePort();

    PortHandle = FTDI::OpenBySerial("NOSUCH");
    ASSERT_TRUE(PortHandle.isFailed());
    EXPECT_EQ(FTDI::ReadByteWithin(60000).outcome, ReadOutcome::DeviceError);
}

}  // namespace
