// The benchmarks' figures and every timed test assume the simulated bridge delays replies as a
// real one does: bytes reach the host when the latency timer runs out, or at once as a full
// 62-byte packet. Nothing else in the tests would notice replies arriving too soon.

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "link/Clock.h"
#include "link/FTDI.h"
#include "link/PortHandle.h"
#include "link/SubCom.h"
#include "tests/common/SimBridge.h"

namespace {

TEST(SimDevice, RepliesWaitForTheLatencyTimerOrAFullPacket) {
    SimBridge sim("device = TARV0001\nlatency_ms = 200\nflood_command = flood\nflood_bytes = 100");
    ASSERT_TRUE(sim.ready());
    PortHandle = FTDI::OpenBySerial("TARV0001");
    QElapsedTimer timer;
    timer.start();
    SubCom::SendCommand("id\n");
    EXPECT_EQ(FTDI::RxQueueLength(), 0u);
    EXPECT_EQ(FTDI::ReadLineWithin(2000).outcome, FTDI::ReadOutcome::Ok);
    EXPECT_GE(timer.elapsed(), 200);

    SubCom::SendCommand("flood\n");
    EXPECT_EQ(FTDI::RxQueueLength(), 62u);
    Time::WaitMs(250);
    EXPECT_EQ(FTDI::RxQueueLength(), 100u);
    SubCom::ClosePort();
}

}  // namespace
