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

// The wire as turns: "> " and the bytes of one write, "< " and the bytes read after it.
QStringList wire(const SimBridge& sim) {
    QStringList turns;
    for (const SimEvent& event : sim.events()) {
        const QString bytes = QString::fromLatin1(event.bytes);
        if (event.kind == SimEvent::Kind::Write) {
            turns << "> " + bytes;
        } else if (event.kind == SimEvent::Kind::Read && !turns.isEmpty() &&
                   turns.last().startsWith('<')) {
            turns.last() += bytes;
        } else if (event.kind == SimEvent::Kind::Read) {
            turns << "< " + bytes;
        }
    }
    return turns;
}

// The upgrade's exchange, written out with the link's own calls.
QList<int> upgrade(const QString& serial, const QString& imageKey,
                   const QList<QByteArray>& records) {
    PortHandle = FTDI::OpenBySerial(serial);
    SubCom::SendCommand(Identify());
    EXPECT_EQ(FTDI::ReadLine(), IdentityReply());
    SubCom::SendCommand(RunLevel());
    if (FTDI::ReadLine() == AppRunLevel()) {
        SubCom::SendCommand(ResetToBoot());
        FTDI::ReadLine();
        SubCom::SendCommand(RunLevel());
        EXPECT_EQ(FTDI::ReadLine(), BootRunLevel());
    }
    SubCom::SendCommand(FirmwareKey());
    EXPECT_EQ(AcceptedKeyReply(FTDI::ReadLine()), ExpectedKeyReply(imageKey));
    SubCom::SendCommand(Monitor());
    EXPECT_EQ(FTDI::ReadByte(), MonitorReady);
    QList<int> acks;
    for (const QByteArray& record : records) {
        FTDI::WriteBytes(reinterpret_cast<const std::uint8_t*>(record.constData()), RecordSize);
        acks << FTDI::ReadByte();
    }
    SubCom::ClosePort();
    return acks;
}

struct Handshake {
    const char* name;
    const char* config;
    QStringList replies;  // to the commands before "monitor", in order
};

TEST(SimWire, UpgradeHandshakeAndThreeRecords) {
    const QString micro = QString(QChar(0xB5));
    const Handshake handshakes[] = {
        {"application first",
         "device = TARV0001\nrunlevel = app\nkey = µTARVEL0",
         {"id " + micro + "Tarvellon\n", "runlevel app\n", "reset boot\n", "runlevel boot\n",
          "firmkey " + micro + "TARVEL0\n"}},
        {"boot loader at once, key alias",
         "device = TARV0001\nrunlevel = boot\nkey = µTARVEL2",
         {"id " + micro + "Tarvellon\n", "runlevel boot\n", "firmkey " + micro + "TARVEL2\n"}},
    };
    const QList<QByteArray> records = SampleImages::records("three-records.frw");
    ASSERT_EQ(records.size(), 3);

    for (const Handshake& handshake : handshakes) {
        SCOPED_TRACE(handshake.name);
        SimBridge sim(QString::fromUtf8(handshake.config));
        ASSERT_TRUE(sim.ready());
        ASSERT_EQ(FTDI::CountDevices(), 1);
        ASSERT_EQ(FTDI::DeviceSerialByIndex(0), "TARV0001");

        EXPECT_EQ(upgrade("TARV0001", micro + "TARVEL0", records), QList<int>({0, 0, 254}));
        EXPECT_TRUE(PortHandle.isNone());

        QStringList commands = {"id\n", "runlevel\n", "reset \n", "runlevel\n", "firmkey\n"};
        if (handshake.replies.size() == 3) {
            commands.remove(2, 2);
        }
        QStringList expected;
        for (int i = 0; i < commands.size(); ++i) {
            expected << "> " + commands[i] << "< " + handshake.replies[i];
        }
        expected << "> monitor\n"
                 << "< M";
        for (const QByteArray& record : records) {
            expected << "> " + QString::fromLatin1(record);
            expected << QString("< ") + QChar(&record == &records.last() ? ProgrammingComplete : 0);
        }
        EXPECT_EQ(wire(sim), expected);
        const QList<SimEvent> events = sim.events();
        EXPECT_EQ(events.first().kind, SimEvent::Kind::Open);
        EXPECT_EQ(events.last().kind, SimEvent::Kind::Close);
    }
}

}  // namespace
