// A device that goes silent, floods the line or is unplugged must end a deadline read with a
// value: silence after the deadline, garbage after 4,096 characters, an unplug at once; whether
// the read polls as the window's does or blocks on the library's signal as the command line's. A
// front end that traces the link sees the command, each second of waiting, and the reply.

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "link/DeviceCommands.h"
#include "link/EventPump.h"
#include "link/FTDI.h"
#include "link/LinkTrace.h"
#include "link/PortHandle.h"
#include "link/ReceiveNotification.h"
#include "link/SubCom.h"
#include "tests/common/SimBridge.h"

namespace {

using FTDI::ReadOutcome;

TEST(DeadlineRead, LineReadEndsOnSilenceFloodAndUnplug) {
    const struct {
        const char* fault;  // of the device that answers "id"
        int deadlineMs;
        ReadOutcome outcome;
        QString line;   // what arrived before the read gave up
        bool notified;  // blocked on the library's signal, as the command line reads
    } reads[] = {
        // clang-format off
        {"silent_from_command = id", 1100, ReadOutcome::NoReply, "", false},
        {"flood_command = id\nflood_bytes = 5000", 10000, ReadOutcome::LineTooLong, QString(FTDI::MaxLineLength, 'x'), true},
        {"unplug_mid_reply = id", 10000, ReadOutcome::DeviceError, QString::fromLatin1("id \xB5Tar"), false},
        // clang-format on
    };
    for (const auto& read : reads) {
        SCOPED_TRACE(std::string(read.fault) + (read.notified ? ", notified" : ""));
        SimBridge sim(QStringLiteral("device = TARV0001\n") + read.fault);
        ASSERT_TRUE(sim.ready());
        PortHandle = FTDI::OpenBySerial("TARV0001");
        ASSERT_TRUE(!read.notified || FTDI::ArmReceiveNotification());
        QList<LinkTrace::Event> traced;
        LinkTrace::Set([&](const LinkTrace::Event& event) { traced << event; });
        SubCom::SendCommand(DeviceCommands::Identify());
        QElapsedTimer timer;
        timer.start();
        QList<qint64> pumps;  // when, in ms
        EventPump::Set([&] { pumps << timer.elapsed(); });
        const FTDI::LineReply reply = FTDI::ReadLineWithin(read.deadlineMs);
        EXPECT_EQ(reply.outcome, read.outcome);
        EXPECT_EQ(reply.line, read.line);
        // Only silence waits the deadline out. The window's events are pumped to its end, long
        // after the first polls; a read blocked on the library's signal pumps none.
        const bool silence = read.outcome == ReadOutcome::NoReply;
        EXPECT_EQ(timer.elapsed() >= read.deadlineMs, silence);
        EXPECT_TRUE(read.notified
                        ? pumps.isEmpty()
                        : pumps.value(pumps.size() - 1) > read.deadlineMs / 2 || !silence);
        using Kind = LinkTrace::Event::Kind;
        QList<Kind> kinds{Kind::Written}, tracedKinds;
        for (int second = 1; silence && second <= read.deadlineMs / 1000; ++second)
            kinds << Kind::Waiting;
        kinds << Kind::LineRead;
        for (const LinkTrace::Event& event : traced) tracedKinds << event.kind;
        EXPECT_EQ(tracedKinds, kinds);
        EXPECT_EQ(traced.value(0).bytes, "id\n");
        EXPECT_EQ(traced.last().bytes, read.line.toLatin1());
        EXPECT_EQ(traced.last().outcome, read.outcome);
        LinkTrace::Set({});
        EventPump::Set({});
        SubCom::ClosePort();
    }
}

}  // namespace
