// Reads that give up: a device that stops answering, floods the line or is unplugged ends the
// wait with a value instead of holding the program forever.

#include "link/Clock.h"
#include "link/EventPump.h"
#include "link/FTDI.h"
#include "link/Interrupt.h"
#include "link/ReceiveNotification.h"

namespace FTDI {
namespace {

// Waits until the receive queue holds a byte, the deadline passes, the library reports an error
// for the queue, or an interrupt is requested. The queue is tested before the clock, so a waiting
// byte is never missed. Between looks it blocks on the library's signal where the command line
// armed it, and otherwise pumps the window's events.
ReadOutcome waitForByte(const D2xxApi& api, std::uint32_t start, int deadlineMs) {
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
        const std::int64_t leftMs = deadlineMs - elapsedMs + 1;
        if (!AwaitReceive(static_cast<int>(leftMs))) {
            EventPump::Run();
            pacer.pause(std::chrono::milliseconds(leftMs));
        }
    }
}

ByteReply readByteBy(std::uint32_t start, int deadlineMs) {
    const D2xxApi* api = InstalledApi();
    if (api == nullptr) {
        return {ReadOutcome::DeviceError};
    }
    const ReadOutcome waited = waitForByte(*api, start, deadlineMs);
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

}  // namespace

ByteReply ReadByteWithin(int deadlineMs) {
    return readByteBy(Time::NowMs(), deadlineMs);
}

LineReply ReadLineWithin(int deadlineMs) {
    const std::uint32_t start = Time::NowMs();
    LineReply reply;
    for (;;) {
        const ByteReply next = readByteBy(start, deadlineMs);
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

}  // namespace FTDI
