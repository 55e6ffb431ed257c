// The link loaded by name through the real loader, against the simulated bridge: the whole
// upgrade handshake and a three-record transfer, checked byte for byte against the transcript.

#include <gtest/gtest.h>

#include "link/DeviceCommands.h"
#include "link/FTDI.h"
#include "link/PortHandle.h"
#include "link/SubCom.h"
#include "tests/common/SampleImages.h"
#include "tests/common/SimBridge.h"

namespace {

using namespace DeviceCommands;

// A device in its application whose key needs the alias rewrite: every step of the handshake.
TEST(SimWire, UpgradeHandshakeAndThreeRecords) {
    SimBridge sim(QString::fromUtf8("device = TARV0001\nrunlevel = app\nkey = µTARVEL2"));
    ASSERT_TRUE(sim.ready());
    ASSERT_EQ(FTDI::CountDevices(), 1);
    ASSERT_EQ(FTDI::DeviceSerialByIndex(0), "TARV0001");
    const QList<QByteArray> records = SampleImages::records("three-records.frw");
    ASSERT_EQ(records.size(), 3);

    PortHandle = FTDI::OpenBySerial("TARV0001");
    QString reply;
    for (const QString& command :
         {Identify(), RunLevel(), ResetToBoot(), RunLevel(), FirmwareKey()}) {
        SubCom::SendCommand(command);
        reply = FTDI::ReadLine();
    }
    EXPECT_EQ(AcceptedKeyReply(reply), ExpectedKeyReply(QString::fromUtf8("µTARVEL0")));
    SubCom::SendCommand(Monitor());
    QList<int> acks = {FTDI::ReadByte()};
    for (const QByteArray& record : records) {
        FTDI::WriteBytes(reinterpret_cast<const std::uint8_t*>(record.constData()), RecordSize);
        acks << FTDI::ReadByte();
    }
    SubCom::ClosePort();
    EXPECT_EQ(acks, QList<int>({MonitorReady, 0, 0, 254}));
    EXPECT_TRUE(PortHandle.isNone());

    const QList<QByteArray> commands = {"id\n",       "runlevel\n", "reset \n",
                                        "runlevel\n", "firmkey\n",  "monitor\n"};
    EXPECT_EQ(sim.writes(), commands + records);
    EXPECT_EQ(sim.reads().join(),
              "id \xB5Tarvellon\nrunlevel app\nreset boot\nrunlevel boot\n"
              "firmkey \xB5TARVEL2\nM" +
                  QByteArray("\0\0\xFE", 3));
    EXPECT_EQ(sim.events().first().kind, SimEvent::Kind::Open);
    EXPECT_EQ(sim.events().last().kind, SimEvent::Kind::Close);
}

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
