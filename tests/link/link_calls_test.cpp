// The device sees only the calls the link makes, so each operation is checked against the exact
// arguments it passes to the library, the outputs it zeroes first, and what it makes of the
// library's answer, including the answers of a library that fails.

#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>
#include <cstring>

#include "link/EventPump.h"
#include "link/FTDI.h"
#include "link/PortHandle.h"
#include "link/SubCom.h"

namespace {

using namespace FTDI;

// The fake library's answers. Outputs are written even when the status reports a failure, as a
// careless library might: the count, the serial, and received's size as the queue length.
struct Script {
    FT_STATUS listStatus = FT_OK;
    DWORD deviceCount = 0;
    QByteArray serialBuffer{};  // copied into the caller's serial buffer, at most 17 bytes
    quintptr openResult = 0x1234;
    FT_STATUS statusResult = FT_OK;
    QByteArray received{};  // what the device has sent, handed out by reads
    int emptyPolls = 0;     // the queue reads empty this many times first
    BOOL closeResult = 1;
};

// The fake library records every call as "name(arguments); ", each output as it stood when the
// call came in, and answers from g_script.
Script g_script;
QString g_calls;

void record(const char* name, const QStringList& arguments) {
    g_calls += QStringLiteral("%1(%2); ").arg(name, arguments.join(", "));
}

QString pointer(const void* value) {
    const auto number = reinterpret_cast<quintptr>(value);
    return number == 0 ? "null" : "0x" + QString::number(number, 16);
}

QString hex(DWORD value) {
    return "0x" + QString::number(value, 16);
}

// An output argument as the call found it.
QString output(const DWORD* value) {
    return "&" + QString::number(*value);
}

QString bytes(const void* buffer, qsizetype count) {
    return "[" + QByteArray(static_cast<const char*>(buffer), count).toHex(' ') + "]";
}

FT_STATUS listDevices(void* arg1, void* arg2, DWORD flags) {
    if (flags == FT_LIST_NUMBER_ONLY) {
        record("ListDevices", {output(static_cast<DWORD*>(arg1)), pointer(arg2), hex(flags)});
        *static_cast<DWORD*>(arg1) = g_script.deviceCount;
        return g_script.listStatus;
    }
    // The index travels in the pointer itself; the buffer is shown as its 17 bytes.
    const auto index = static_cast<qint64>(reinterpret_cast<qintptr>(arg1));
    record("ListDevices", {QString::number(index), bytes(arg2, 17), hex(flags)});
    std::memcpy(arg2, g_script.serialBuffer.constData(),
                std::min<qsizetype>(g_script.serialBuffer.size(), 17));
    return g_script.listStatus;
}

FT_HANDLE createFile(const char* name, DWORD access, DWORD share, void* security, DWORD creation,
                     DWORD flags, FT_HANDLE templateFile) {
    record("W32_CreateFile",
           {bytes(name, qstrlen(name) + 1), hex(access), QString::number(share), pointer(security),
            QString::number(creation), hex(flags), pointer(templateFile)});
    return reinterpret_cast<FT_HANDLE>(g_script.openResult);
}

FT_STATUS getStatus(FT_HANDLE handle, DWORD* rx, DWORD* tx, DWORD* events) {
    record("GetStatus", {pointer(handle), output(rx), output(tx), output(events)});
    const bool empty = g_script.statusResult == FT_OK && g_script.emptyPolls > 0;
    g_script.emptyPolls -= empty ? 1 : 0;
    *rx = empty ? 0 : static_cast<DWORD>(g_script.received.size());
    return g_script.statusResult;
}

BOOL readFile(FT_HANDLE handle, void* buffer, DWORD count, DWORD* returned, void* overlapped) {
    record("W32_ReadFile", {pointer(handle), bytes(buffer, count), QString::number(count),
                            output(returned), pointer(overlapped)});
    *returned = static_cast<DWORD>(std::min<qsizetype>(count, g_script.received.size()));
    std::memcpy(buffer, g_script.received.constData(), *returned);
    g_script.received.remove(0, *returned);
    return 1;
}

BOOL writeFile(FT_HANDLE handle, void* buffer, DWORD count, DWORD* written, void* overlapped) {
    record("W32_WriteFile", {pointer(handle), bytes(buffer, count), QString::number(count),
                             output(written), pointer(overlapped)});
    *written = count;
    return 1;
}

BOOL closeHandle(FT_HANDLE handle) {
    record("W32_CloseHandle", {pointer(handle)});
    return g_script.closeResult;
}

const D2xxApi kFake{listDevices, createFile, getStatus, readFile, writeFile, closeHandle};

QString describe(const DeviceHandle& handle) {
    const auto raw = reinterpret_cast<quintptr>(handle.raw());
    return handle.isOpen()     ? "open 0x" + QString::number(raw, 16)
           : handle.isFailed() ? "failed"
                               : "none";
}

QString n(qint64 value) {
    return QString::number(value);
}

QString listByIndex(int index) {
    return QStringLiteral("ListDevices(%1, [%2], 0x40000001); ")
        .arg(n(index), QString("00 ").repeated(16) + "00");
}

QString sendThree() {
    for (const QString& text : {QString("led on\n"), QString::fromUtf8("µ\n"), QString()}) {
        SubCom::SendCommand(text);
    }
    return {};
}

QString close() {
    SubCom::ClosePort();
    return {};
}

QString openTV01() {
    return describe(OpenBySerial("TV01"));
}

const DeviceHandle kNone = DeviceHandle::none();
const DeviceHandle kOpen = DeviceHandle::open(reinterpret_cast<FT_HANDLE>(0x1234));
const QString kCount = "ListDevices(&0, null, 0x80000000); ";
const QString kOpenCall = "W32_CreateFile([54 56 30 31 00], 0xc0000000, 0, null, 3, 0x81, null); ";
const QString kStatus = "GetStatus(0x1234, &0, &0, &0); ";
const QString kWrite = "W32_WriteFile(0x1234, ";
const QString kClose = "W32_CloseHandle(0x1234); ";

// A byte read that found its byte waiting, count times.
QString reads(int count) {
    return QString(kStatus + "W32_ReadFile(0x1234, [00], 1, &0, null); ").repeated(count);
}

struct LinkCall {
    const char* name;
    Script script;
    DeviceHandle port;  // PortHandle before the operation
    QString (*run)();
    QString seen;  // the calls and pumps, what the operation gave, PortHandle afterwards
};

TEST(LinkCalls, ExactArgumentsAndResults) {
    const LinkCall cases[] = {
        {"count", Script{.deviceCount = 3}, kNone, [] { return n(CountDevices()); },
         kCount + "3; none"},
        {"failed count gives 0 whatever the count holds", Script{.listStatus = 2, .deviceCount = 5},
         kNone, [] { return n(CountDevices()); }, kCount + "0; none"},
        {"16-character serial without a zero byte", Script{.serialBuffer = "ABCDEFGHIJKLMNOPX"},
         kNone, [] { return DeviceSerialByIndex(1); }, listByIndex(1) + "ABCDEFGHIJKLMNOP; none"},
        {"serial ends at its zero byte, 0xB5 is µ", Script{.serialBuffer = {"\xB5TV1\0XY", 7}},
         kNone, [] { return DeviceSerialByIndex(0); },
         listByIndex(0) + QString::fromUtf8("µTV1; none")},
        {"failed index gives \"\"", Script{.listStatus = 2, .serialBuffer = "TV01"}, kNone,
         [] { return DeviceSerialByIndex(-1); }, listByIndex(-1) + "; none"},
        {"open leaves PortHandle alone", Script{},
         DeviceHandle::open(reinterpret_cast<FT_HANDLE>(0x99)), openTV01,
         kOpenCall + "open 0x1234; open 0x99"},
        {"open giving -1 fails", Script{.openResult = ~quintptr{0}}, kNone, openTV01,
         kOpenCall + "failed; none"},
        {"open giving 0xFFFFFFFF fails", Script{.openResult = 0xFFFFFFFF}, kNone, openTV01,
         kOpenCall + "failed; none"},
        {"each command is one write, µ as 0xB5, even an empty one", Script{}, kOpen, sendThree,
         kWrite + "[6c 65 64 20 6f 6e 0a], 7, &0, null); " + kWrite + "[b5 0a], 2, &0, null); " +
             kWrite + "[], 0, &0, null); ; open 0x1234"},
        {"close with nothing open makes no call", Script{}, kNone, close, "; none"},
        {"close after a failed open makes no call", Script{}, DeviceHandle::failed(), close,
         "; failed"},
        {"close clears the handle", Script{}, kOpen, close, kClose + "; none"},
        {"close that returns 0 keeps the handle", Script{.closeResult = 0}, kOpen, close,
         kClose + "; open 0x1234"},
        {"failing status call is an empty queue", Script{.statusResult = 4, .received = "ABC"},
         kOpen, [] { return n(RxQueueLength()); }, kStatus + "0; open 0x1234"},
        {"waiting byte is read without a pump", Script{.received = "A"}, kOpen,
         [] { return n(ReadByte()); }, reads(1) + "65; open 0x1234"},
        {"empty queue pumps between polls", Script{.received = "A", .emptyPolls = 2}, kOpen,
         [] { return n(ReadByte()); },
         (kStatus + "pump; ").repeated(2) + reads(1) + "65; open 0x1234"},
        {"line keeps its CR", Script{.received = "runlevel boot\r\n"}, kOpen, ReadLine,
         reads(15) + "runlevel boot\r; open 0x1234"},
        {"lone LF is an empty line", Script{.received = "\nX"}, kOpen, ReadLine,
         reads(1) + "; open 0x1234"},
    };
    InstallApi(&kFake);
    EventPump::Set([] { g_calls += "pump; "; });
    for (const LinkCall& call : cases) {
        SCOPED_TRACE(call.name);
        g_script = call.script;
        g_calls.clear();
        PortHandle = call.port;
        const QString result = call.run();
        EXPECT_EQ((g_calls + result + "; " + describe(PortHandle)).toStdString(),
                  call.seen.toStdString());
    }
    EventPump::Set({});
    InstallApi(nullptr);
}

}  // namespace
