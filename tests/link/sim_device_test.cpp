// The simulated devices stand in for hardware in every later test, so each configured fault is
// checked here to do what sim/README.md promises: what the host reads back, reply by reply.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLibrary>
#include <functional>

#include "link/Clock.h"
#include "link/DeviceCommands.h"
#include "link/FTDI.h"
#include "link/PortHandle.h"
#include "link/SubCom.h"
#include "tests/common/SampleImages.h"
#include "tests/common/SimBridge.h"

namespace {

using FTDI::ReadOutcome;

QString outcome(ReadOutcome value) {
    switch (value) {
        case ReadOutcome::Ok:
            return "ok";
        case ReadOutcome::NoReply:
            return "no reply";
        case ReadOutcome::DeviceError:
            return "device error";
        case ReadOutcome::LineTooLong:
            return "too long";
    }
    return {};
}

QString send(const char* command) {
    SubCom::SendCommand(QString::fromUtf8(command) + '\n');
    return QStringLiteral("> ") + command;
}

QString line() {
    const FTDI::LineReply reply = FTDI::ReadLineWithin(500);
    return reply.outcome == ReadOutcome::Ok ? reply.line : outcome(reply.outcome);
}

// Writes a record of a sample image and reads its acknowledgement.
QString record(const char* image, int index) {
    const QByteArray bytes = SampleImages::records(image).value(index);
    FTDI::WriteBytes(reinterpret_cast<const std::uint8_t*>(bytes.constData()), 13);
    const FTDI::ByteReply ack = FTDI::ReadByteWithin(300);
    return ack.outcome == ReadOutcome::Ok ? QString::number(ack.byte) : outcome(ack.outcome);
}

// Into record mode; the device must be in its boot loader.
QString monitor() {
    send("monitor");
    const FTDI::ByteReply reply = FTDI::ReadByteWithin(500);
    return reply.outcome == ReadOutcome::Ok ? QString(QChar(reply.byte)) : outcome(reply.outcome);
}

struct Fault {
    const char* name;
    const char* config;
    std::function<QStringList()> script;
    QStringList seen;
};

const std::vector<Fault>& faults() {
    static const std::vector<Fault> cases = {
        {"CR LF replies",
         "line_end = crlf",
         [] {
             return QStringList{send("id"), line()};
         },
         {"> id", QString::fromUtf8("id µTarvellon\r")}},
        {"wrong identity",
         "identity = id Tarvellon",
         [] {
             return QStringList{send("id"), line()};
         },
         {"> id", "id Tarvellon"}},
        {"banner after a reset",
         "banner = µTarvellon boot",
         [] {
             return QStringList{send("reset "), line(), line(), send("runlevel"), line()};
         },
         {"> reset ", "reset boot", QString::fromUtf8("µTarvellon boot"), "> runlevel",
          "runlevel boot"}},
        {"identify reset restarts the application",
         "",
         [] {
             return QStringList{send("reset "), line(), send("reset"), send("runlevel"), line()};
         },
         {"> reset ", "reset boot", "> reset", "> runlevel", "runlevel app"}},
        {"monitor outside the boot loader",
         "",
         [] {
             return QStringList{send("monitor"), line()};
         },
         {"> monitor", "error"}},
        {"refused record",
         "runlevel = boot\nrefuse_record = 2",
         [] {
             return QStringList{monitor(), record("three-records.frw", 0),
                                record("three-records.frw", 1), record("three-records.frw", 2)};
         },
         {"M", "0", "1", "254"}},
        {"bad checksum and data after the end",
         "runlevel = boot",
         [] {
             return QStringList{monitor(), record("bad-checksum.frw", 0),
                                record("bad-checksum.frw", 1), record("bad-checksum.frw", 2),
                                record("bad-checksum.frw", 0)};
         },
         {"M", "0", "1", "254", "1"}},
        {"silent from a command",
         "silent_from_command = firmkey",
         [] {
             return QStringList{send("id"), line(), send("firmkey"), line(), send("id"), line()};
         },
         {"> id", QString::fromUtf8("id µTarvellon"), "> firmkey", "no reply", "> id", "no reply"}},
        {"silent from a record",
         "runlevel = boot\nsilent_from_record = 2",
         [] {
             return QStringList{monitor(), record("three-records.frw", 0),
                                record("three-records.frw", 1)};
         },
         {"M", "0", "no reply"}},
        {"unplugged at a record",
         "runlevel = boot\nunplug_at_record = 2",
         [] {
             return QStringList{monitor(), record("three-records.frw", 0),
                                record("three-records.frw", 1),
                                QString::number(FTDI::CountDevices())};
         },
         {"M", "0", "device error", "0"}},
    };
    return cases;
}

TEST(SimDevice, FaultsAsConfigured) {
    for (const Fault& fault : faults()) {
        SCOPED_TRACE(fault.name);
        SimBridge sim(QStringLiteral("device = TARV0001\n") + QString::fromUtf8(fault.config));
        ASSERT_TRUE(sim.ready());
        PortHandle = FTDI::OpenBySerial("TARV0001");
        ASSERT_TRUE(PortHandle.isOpen());
        EXPECT_EQ(fault.script(), fault.seen);
        SubCom::ClosePort();
    }
}

TEST(SimDevice, FailedOpenIsInTheTranscript) {
    SimBridge sim(QStringLiteral("device = TARV0001\nopen = fails"));
    ASSERT_TRUE(sim.ready());
    EXPECT_EQ(FTDI::CountDevices(), 1);
    EXPECT_TRUE(FTDI::OpenBySerial("TARV0001").isFailed());
    ASSERT_EQ(sim.events().size(), 1);
    EXPECT_EQ(sim.events().first().kind, SimEvent::Kind::OpenFailed);
    EXPECT_EQ(sim.events().first().bytes, "TARV0001");
}

TEST(SimDevice, DefaultDevicesWithoutConfiguration) {
    // A bridge going out of scope leaves the simulator on its defaults.
    { SimBridge sim(QString{}); }
    ASSERT_EQ(FTDI::CountDevices(), 2);
    EXPECT_EQ(FTDI::DeviceSerialByIndex(0), "TARV0001");
    EXPECT_EQ(FTDI::DeviceSerialByIndex(1), "TARV0002");
    EXPECT_TRUE(SimBridge::defaultConfig().contains("device = TARV0002"));
}

// Replies reach the host when the latency timer runs out, or at once for a full 62-byte packet.
TEST(SimDevice, LatencyTimer) {
    SimBridge sim(
        QStringLiteral("device = TARV0001\nlatency_ms = 200\n"
                       "flood_command = flood\nflood_bytes = 100"));
    ASSERT_TRUE(sim.ready());
    PortHandle = FTDI::OpenBySerial("TARV0001");
    QElapsedTimer timer;
    timer.start();
    SubCom::SendCommand("id\n");
    EXPECT_EQ(FTDI::RxQueueLength(), 0u);
    EXPECT_EQ(FTDI::ReadLineWithin(2000).outcome, ReadOutcome::Ok);
    EXPECT_GE(timer.elapsed(), 200);

    SubCom::SendCommand("flood\n");
    EXPECT_EQ(FTDI::RxQueueLength(), 62u);
    Time::WaitMs(250);
    EXPECT_EQ(FTDI::RxQueueLength(), 100u);

    using GetLatency = unsigned (*)(void*, unsigned char*);
    using SetLatency = unsigned (*)(void*, unsigned char);
    const auto get =
        reinterpret_cast<GetLatency>(QLibrary::resolve("ftd2xx", "FT_GetLatencyTimer"));
    const auto set =
        reinterpret_cast<SetLatency>(QLibrary::resolve("ftd2xx", "FT_SetLatencyTimer"));
    ASSERT_TRUE(get && set);
    unsigned char ms = 0;
    EXPECT_EQ(get(PortHandle.raw(), &ms), 0u);
    EXPECT_EQ(ms, 200);
    EXPECT_EQ(set(PortHandle.raw(), 1), 6u);
    EXPECT_EQ(set(PortHandle.raw(), 2), 0u);
    EXPECT_EQ(get(PortHandle.raw(), &ms), 0u);
    EXPECT_EQ(ms, 2);
    SubCom::ClosePort();
}

// The identify blink's commands carry time stamps, so its pacing can be checked.
TEST(SimDevice, IdentifyCommandsAreTimed) {
    SimBridge sim(QStringLiteral("device = TARV0001"));
    ASSERT_TRUE(sim.ready());
    PortHandle = FTDI::OpenBySerial("TARV0001");
    SubCom::SendCommand(DeviceCommands::LedOn());
    Time::WaitMs(50);
    SubCom::SendCommand(DeviceCommands::LedOff());
    SubCom::SendCommand(DeviceCommands::Reset());
    SubCom::ClosePort();
    const QList<SimEvent> commands = sim.commands();
    ASSERT_EQ(commands.size(), 3);
    EXPECT_EQ(commands[0].bytes, "led on");
    EXPECT_EQ(commands[1].bytes, "led off");
    EXPECT_EQ(commands[2].bytes, "reset");
    EXPECT_GE(commands[1].timeUs - commands[0].timeUs, 50000);
}

}  // namespace
