// Reads that give up: a device that stops answering, floods the line or is unplugged ends the
// wait with a value instead of holding the program forever.

#include "link/Clock.h"
#include "link/EventPump.h"
#include "link/FTDI.h"
#include "link/Interrupt.h"
#include "link/LinkTrace.h"
#include "link/ReceiveNotification.h"

namespace FTDI {
namespace {

// Waits until the receive queue holds a byte, the deadline passes, the library reports an error
// for the queue, or an interrupt is requested. The queue is tested before the clock, so a waiting
// byte is never missed. Between looks it blocks on the library's signal where the command line
// armed it, and otherwise pumps the window's events. Each whole second of waiting is traced once,
// counted in `waitedSeconds` across the bytes of one reply.
ReadOutcome waitForByte(const D2xxApi& api, std::uint32_t start, int deadlineMs,
                        int& waitedSeconds) {
    EventPump::PollPacer pacer;
    for (;;) {
        if (Interrupt::Requested()) {
            return ReadOutcome::Interrupted;
        }
        DWORD rxBytes = 0;
        DWORD txBytes = 0;
        DWORD eventStatus = 0;
        if (api.GetStatus(PortHandle.raw(), &rxBytes, &txBytes, &eventStatus) != FT_OK) {
            return ReadOutcome::DeviceError;
        }
        if (rxBytes > 0) {
            return ReadOutcome::Ok;
        }
        // More than the deadline on the millisecond counter: never gives up early.
        const std::int64_t elapsedMs = Time::NowMs() - start;
        if (elapsedMs > deadlineMs) {
            return ReadOutcome::NoReply;
        }
        if (const int seconds = static_cast<int>(elapsedMs / 1000); seconds > waitedSeconds) {
            waitedSeconds = seconds;
            LinkTrace::Emit({LinkTrace::Event::Kind::Waiting, {}, ReadOutcome::Ok, seconds});
        }
        const std::int64_t leftMs = deadlineMs - elapsedMs + 1;
        if (!AwaitReceive(static_cast<int>(leftMs))) {
            EventPump::Run();
            pacer.pause(std::chrono::milliseconds(leftMs));
        }
    }
}

ByteReply readByteBy(std::uint32_t start, int deadlineMs, int& waitedSeconds) {
    const D2xxApi* api = InstalledApi();
    if (api == nullptr) {
        return {ReadOutcome::DeviceError};
    }
    const ReadOutcome waited = waitForByte(*api, start, deadlineMs, waitedSeconds);
    if (waited != ReadOutcome::Ok) {
        return {waited};
    }
    ByteReply reply;
    DWORD bytesReturned = 0;
    if (api->W32_ReadFile(PortHandle.raw(), &reply.byte, 1, &bytesReturned, nullptr) == 0 ||
        bytesReturned != 1) {
        return {ReadOutcome::DeviceError};
    }
    reply.outcome = ReadOutcome::Ok;
    return reply;
}

LineReply readLineBy(std::uint32_t start, int deadlineMs) {
    LineReply reply;
    int waitedSeconds = 0;
    for (;;) {
        const ByteReply next = readByteBy(start, deadlineMs, waitedSeconds);
        if (next.outcome != ReadOutcome::Ok) {
            reply.outcome = next.outcome;
            return reply;
        }
        if (next.byte == LineFeed) {
            reply.outcome = ReadOutcome::Ok;
            return reply;
        }
        reply.line.append(QChar(next.byte));
        if (reply.line.size() >= MaxLineLength) {
            reply.outcome = ReadOutcome::LineTooLong;
            return reply;
        }
    }
}

}  // namespace

ByteReply ReadByteWithin(int deadlineMs) {
    int waitedSeconds = 0;
    const ByteReply reply = readByteBy(Time::NowMs(), deadlineMs, waitedSeconds);
    if (LinkTrace::On()) {
        const QByteArray byte = reply.outcome == ReadOutcome::Ok
                                    ? QByteArray(1, static_cast<char>(reply.byte))
                                    : QByteArray();
        LinkTrace::Emit({LinkTrace::Event::Kind::ByteRead, byte, reply.outcome});
    }
    return reply;
}

LineReply ReadLineWithin(int deadlineMs) {
    LineReply reply = readLineBy(Time::NowMs(), deadlineMs);
    if (LinkTrace::On()) {
        LinkTrace::Emit({LinkTrace::Event::Kind::LineRead, reply.line.toLatin1(), reply.outcome});
    }
    return reply;
}

}  // namespace FTDI
