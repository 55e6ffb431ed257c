// The simulated bridge's wire time, on which the benchmarks rest, through the link loaded by name.

#include <gtest/gtest.h>

#include "link/DeviceCommands.h"
#include "link/FTDI.h"
#include "link/PortHandle.h"
#include "link/SubCom.h"
#include "tests/common/SimBridge.h"

namespace {

using namespace DeviceCommands;

// The benchmarks rest on the wire time: "id" LF needs 3 byte times to reach the device, and its
// 14-byte reply 14 more, each byte ten bits at 9600 baud.
TEST(SimWire, BaudGivesEachByteTenBitTimes) {
    SimBridge sim("device = TARV0001\nlatency_ms = 0\nbaud = 9600");
    ASSERT_TRUE(sim.ready());
    PortHandle = FTDI::OpenBySerial("TARV0001");
    SubCom::SendCommand(Identify());
    EXPECT_EQ(FTDI::ReadLineWithin(1000).line, IdentityReply());
    SubCom::ClosePort();
    const qint64 sent = sim.events(SimEvent::Kind::Write).value(0).timeUs;
    QList<SimEvent> reads = sim.events(SimEvent::Kind::Read);
    reads.removeIf([](const SimEvent& read) { return read.bytes.isEmpty(); });
    EXPECT_NEAR(sim.events(SimEvent::Kind::Command).value(0).timeUs - sent, 3 * 10e6 / 9600, 2);
    EXPECT_GE(reads.value(reads.size() - 1).timeUs - sent, 17 * 10e6 / 9600);
}

}  // namespace
