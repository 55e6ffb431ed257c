// The device sees only the calls the link makes, so each operation is checked against the exact
// arguments it passes to the library, the outputs it zeroes first, and what it makes of the
// library's answer, including the answers of a library that fails.

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "link/EventPump.h"
#include "link/FTDI.h"
#include "link/PortHandle.h"
#include "link/SubCom.h"
#include "tests/common/FakeD2xx.h"

namespace {

QString describe(const DeviceHandle& handle) {
    switch (handle.state()) {
        case DeviceHandle::State::Open:
            return QStringLiteral("open 0x") +
                   QString::number(reinterpret_cast<quintptr>(handle.raw()), 16);
        case DeviceHandle::State::Failed:
            return QStringLiteral("failed");
        case DeviceHandle::State::None:
            break;
    }
    return QStringLiteral("none");
}

const QString kGetStatus = QStringLiteral("GetStatus(0x1234, &0, &0, &0)");
const QString kReadOne = QStringLiteral("W32_ReadFile(0x1234, [00], 1, &0, null)");

struct LinkCall {
    const char* name;
    std::function<void(FakeD2xx&)> setup;
    // What the operation gives back, PortHandle afterwards, and the pumps it ran.
    std::function<QString()> run;
    QString result;
    int pumps;
    std::optional<QStringList> calls;  // not checked where the count of polls is the point
};

const std::vector<LinkCall>& linkCalls() {
    static const std::vector<LinkCall> cases = {
        {"device count", [](FakeD2xx& f) { f.deviceCount = 3; },
         [] { return QString::number(FTDI::CountDevices()); }, "3", 0,
         QStringList{"ListDevices(&0, null, 0x80000000)"}},
        {"failed count query gives 0 whatever the count holds",
         [](FakeD2xx& f) {
             f.deviceCount = 5;
             f.listStatus = 2;
         },
         [] { return QString::number(FTDI::CountDevices()); }, "0", 0,
         QStringList{"ListDevices(&0, null, 0x80000000)"}},
        {"16-character serial without a zero byte; byte 16 is never read",
         [](FakeD2xx& f) { f.serialBuffer = "ABCDEFGHIJKLMNOPX"; },
         [] { return FTDI::DeviceSerialByIndex(1); }, "ABCDEFGHIJKLMNOP", 0,
         QStringList{"ListDevices(1, [00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00], "
                     "0x40000001)"}},
        {"serial ends at its zero byte, µ as 0xB5",
         [](FakeD2xx& f) { f.serialBuffer = QByteArray("\xB5TV1\0XY", 7); },
         [] { return FTDI::DeviceSerialByIndex(0); }, QString::fromUtf8("µTV1"), 0, std::nullopt},
        {"failed index gives \"\"",
         [](FakeD2xx& f) {
             f.serialBuffer = "TV01";
             f.listStatus = 2;
         },
         [] { return FTDI::DeviceSerialByIndex(-1); }, "", 0,
         QStringList{"ListDevices(-1, [00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00], "
                     "0x40000001)"}},
        {"open by serial leaves PortHandle alone",
         [](FakeD2xx&) { PortHandle = DeviceHandle::open(FakeD2xx::handle(0x99)); },
         [] {
             return describe(FTDI::OpenBySerial(QString::fromUtf8("µTV1"))) + " / " +
                    describe(PortHandle);
         },
         "open 0x1234 / open 0x99", 0,
         QStringList{"W32_CreateFile([b5 54 56 31 00], 0xc0000000, 0, null, 3, 0x81, null)"}},
        {"open returning -1 fails, PortHandle untouched",
         [](FakeD2xx& f) { f.openResult = FakeD2xx::handle(~quintptr{0}); },
         [] { return describe(FTDI::OpenBySerial("TV01")) + " / " + describe(PortHandle); },
         "failed / none", 0, std::nullopt},
        {"open returning 0xFFFFFFFF fails",
         [](FakeD2xx& f) { f.openResult = FakeD2xx::handle(0xFFFFFFFF); },
         [] { return describe(FTDI::OpenBySerial("TV01")); }, "failed", 0, std::nullopt},
        {"open returning null fails", [](FakeD2xx& f) { f.openResult = nullptr; },
         [] { return describe(FTDI::OpenBySerial("TV01")); }, "failed", 0, std::nullopt},
        {"led on is one write of 7 bytes",
         [](FakeD2xx&) { PortHandle = DeviceHandle::open(FakeD2xx::handle(0x1234)); },
         [] {
             SubCom::SendCommand("led on\n");
             return QString();
         },
         "", 0, QStringList{"W32_WriteFile(0x1234, [6c 65 64 20 6f 6e 0a], 7, &0, null)"}},
        {"µ goes out as 0xB5",
         [](FakeD2xx&) { PortHandle = DeviceHandle::open(FakeD2xx::handle(0x1234)); },
         [] {
             SubCom::SendCommand(QString::fromUtf8("µ\n"));
             return QString();
         },
         "", 0, QStringList{"W32_WriteFile(0x1234, [b5 0a], 2, &0, null)"}},
        {"an empty command is one write of 0 bytes",
         [](FakeD2xx&) { PortHandle = DeviceHandle::open(FakeD2xx::handle(0x1234)); },
         [] {
             SubCom::SendCommand("");
             return QString();
         },
         "", 0, QStringList{"W32_WriteFile(0x1234, [], 0, &0, null)"}},
        {"close with nothing open makes no call", [](FakeD2xx&) {},
         [] {
             SubCom::ClosePort();
             return describe(PortHandle);
         },
         "none", 0, QStringList{}},
        {"close after a failed open makes no call",
         [](FakeD2xx&) { PortHandle = DeviceHandle::failed(); },
         [] {
             SubCom::ClosePort();
             return describe(PortHandle);
         },
         "failed", 0, QStringList{}},
        {"close that succeeds clears the handle",
         [](FakeD2xx&) { PortHandle = DeviceHandle::open(FakeD2xx::handle(0x1234)); },
         [] {
             SubCom::ClosePort();
             return describe(PortHandle);
         },
         "none", 0, QStringList{"W32_CloseHandle(0x1234)"}},
        {"close that returns 0 keeps the handle",
         [](FakeD2xx& f) {
             f.closeResult = 0;
             PortHandle = DeviceHandle::open(FakeD2xx::handle(0x1234));
         },
         [] {
             SubCom::ClosePort();
             return describe(PortHandle);
         },
         "open 0x1234", 0, QStringList{"W32_CloseHandle(0x1234)"}},
        {"queue length of a failing status call is 0",
         [](FakeD2xx& f) {
             f.getStatusResult = 4;
             f.rxBytesOnFailure = 7;
             PortHandle = DeviceHandle::open(FakeD2xx::handle(0x1234));
         },
         [] { return QString::number(FTDI::RxQueueLength()); }, "0", 0, QStringList{kGetStatus}},
        {"a waiting byte is read without a pump",
         [](FakeD2xx& f) {
             f.received = "A";
             PortHandle = DeviceHandle::open(FakeD2xx::handle(0x1234));
         },
         [] { return QString::number(FTDI::ReadByte()); }, "65", 0,
         QStringList{kGetStatus, kReadOne}},
        {"an empty queue pumps between polls",
         [](FakeD2xx& f) {
             f.received = "A";
             f.emptyPolls = 3;
             PortHandle = DeviceHandle::open(FakeD2xx::handle(0x1234));
         },
         [] { return QString::number(FTDI::ReadByte()); }, "65", 3,
         QStringList{kGetStatus, kGetStatus, kGetStatus, kGetStatus, kReadOne}},
        {"a line keeps its CR",
         [](FakeD2xx& f) {
             f.received = "runlevel boot\r\n";
             PortHandle = DeviceHandle::open(FakeD2xx::handle(0x1234));
         },
         [] { return FTDI::ReadLine(); }, "runlevel boot\r", 0, std::nullopt},
        {"a lone LF is an empty line",
         [](FakeD2xx& f) {
             f.received = "\nX";
             PortHandle = DeviceHandle::open(FakeD2xx::handle(0x1234));
         },
         [] { return FTDI::ReadLine(); }, "", 0, QStringList{kGetStatus, kReadOne}},
        {"a deadline read takes a waiting byte even at deadline 0",
         [](FakeD2xx& f) {
             f.received = "M";
             PortHandle = DeviceHandle::open(FakeD2xx::handle(0x1234));
         },
         [] {
             const FTDI::ByteReply reply = FTDI::ReadByteWithin(0);
             return QString::number(reply.outcome == FTDI::ReadOutcome::Ok) + " " +
                    QChar(reply.byte);
         },
         "1 M", 0, QStringList{kGetStatus, kReadOne}},
        {"a deadline read fails at once when the queue reports an error",
         [](FakeD2xx& f) {
             f.getStatusResult = 4;
             f.rxBytesOnFailure = 1;
             PortHandle = DeviceHandle::open(FakeD2xx::handle(0x1234));
         },
         [] {
             return QString::number(FTDI::ReadLineWithin(60000).outcome ==
                                    FTDI::ReadOutcome::DeviceError);
         },
         "1", 0, QStringList{kGetStatus}},
    };
    return cases;
}

TEST(LinkCalls, ExactArgumentsAndResults) {
    for (const LinkCall& call : linkCalls()) {
        SCOPED_TRACE(call.name);
        FakeD2xx fake;
        int pumps = 0;
        EventPump::Set([&pumps] { ++pumps; });
        call.setup(fake);
        EXPECT_EQ(call.run(), call.result);
        EXPECT_EQ(pumps, call.pumps);
        if (call.calls) {
            EXPECT_EQ(fake.calls, *call.calls);
        }
        EventPump::Set({});
    }
}

}  // namespace
