// The device sees only the calls the link makes, so each operation is checked against the exact
// arguments it passes to the library, the outputs it zeroes first, and what it makes of the
// library's answer, including the answers of a library that fails. Waits must never end early, nor
// when the 32-bit millisecond counter wraps.

#include <gtest/gtest.h>

#include <QString>
#include <cstring>
#include <optional>

#include "link/Clock.h"
#include "link/EventPump.h"
#include "link/FTDI.h"
#include "link/PortHandle.h"
#include "link/SubCom.h"
#include "operations/UpgradeProcedure.h"

namespace {

using namespace FTDI;
using namespace SubCom;

// The fake library's answers. Outputs are written even when the status reports a failure, as a
// careless library might: the count, the serial, and received's size as the queue length.
struct Script {
    FT_STATUS status = FT_OK;  // of ListDevices and GetStatus
    DWORD deviceCount = 0;
    QByteArray serial{};  // copied into the caller's 17-byte serial buffer
    quintptr openResult = 0x1234;
    QByteArray received{};  // what the device has sent, handed out by reads
    int emptyPolls = 0;     // the queue reads empty this many times first
    BOOL closeResult = 1;
};

// Every call is recorded as "name(arguments); ": flags in hex, pointers as %p, buffers as their
// bytes and other outputs as "&value", each as the call found it.
Script g_script;
QString g_calls;
std::uint32_t g_clock = 0;  // moves on 100 ms at every look

QByteArray hex(const void* bytes, DWORD count) {
    return QByteArray(static_cast<const char*>(bytes), count).toHex(' ');
}

FT_STATUS listDevices(void* arg1, void* arg2, DWORD flags) {
    if (flags == FT_LIST_NUMBER_ONLY) {
        g_calls += QString::asprintf("ListDevices(&%u, %p, %x); ", *static_cast<DWORD*>(arg1), arg2,
                                     flags);
        *static_cast<DWORD*>(arg1) = g_script.deviceCount;
        return g_script.status;
    }
    // The index travels in the pointer itself.
    g_calls += QString::asprintf("ListDevices(%lld, [%s], %x); ", qint64(qintptr(arg1)),
                                 hex(arg2, 17).constData(), flags);
    std::memcpy(arg2, g_script.serial.constData(), g_script.serial.size());
    return g_script.status;
}

FT_HANDLE createFile(const char* name, DWORD access, DWORD share, void* security, DWORD creation,
                     DWORD flags, FT_HANDLE templateFile) {
    g_calls += QString::asprintf("W32_CreateFile([%s], %x, %u, %p, %u, %x, %p); ",
                                 hex(name, qstrlen(name) + 1).constData(), access, share, security,
                                 creation, flags, templateFile);
    return reinterpret_cast<FT_HANDLE>(g_script.openResult);
}

FT_STATUS getStatus(FT_HANDLE handle, DWORD* rx, DWORD* tx, DWORD* events) {
    g_calls += QString::asprintf("GetStatus(%p, &%u, &%u, &%u); ", handle, *rx, *tx, *events);
    *rx = g_script.emptyPolls-- > 0 ? 0 : DWORD(g_script.received.size());
    return g_script.status;
}

BOOL readFile(FT_HANDLE handle, void* buffer, DWORD count, DWORD* returned, void* overlapped) {
    g_calls += QString::asprintf("W32_ReadFile(%p, [%s], %u, &%u, %p); ", handle,
                                 hex(buffer, count).constData(), count, *returned, overlapped);
    *returned = DWORD(qMin<qsizetype>(count, g_script.received.size()));
    std::memcpy(buffer, g_script.received.constData(), *returned);
    g_script.received.remove(0, *returned);
    return 1;
}

BOOL writeFile(FT_HANDLE handle, void* buffer, DWORD count, DWORD* written, void* overlapped) {
    g_calls += QString::asprintf("W32_WriteFile(%p, [%s], %u, &%u, %p); ", handle,
                                 hex(buffer, count).constData(), count, *written, overlapped);
    *written = count;
    return 1;
}

BOOL closeHandle(FT_HANDLE handle) {
    g_calls += QString::asprintf("W32_CloseHandle(%p); ", handle);
    return g_script.closeResult;
}

const D2xxApi kFake{listDevices, createFile, getStatus, readFile, writeFile, closeHandle};

void readLineWithin300() {
    const LineReply reply = ReadLineWithin(300);
    g_calls += QStringLiteral("outcome %1: %2").arg(int(reply.outcome)).arg(reply.line);
}

void open() {
    const DeviceHandle handle = OpenBySerial("TV01");
    g_calls += handle.isOpen()     ? QString::asprintf("open %p", handle.raw())
               : handle.isFailed() ? "failed"
                                   : "none";
}

void openPort() {
    g_calls += OpenPort("TV01").opened() ? "yes" : "no";
}

// An operation's log lines, among the library calls.
struct LoggingView : OperationView {
    void showMessage(const QString&, MessageIcon) override {}
    void logLine(const QString& text) override { g_calls += text + "; "; }
    void setStatus(const QString&) override {}
    void setProgressMaximum(int) override {}
    void setProgressValue(int) override {}
    void setUpgradeEnabled(bool) override {}
} g_view;

const DeviceHandle kOpen = DeviceHandle::open(reinterpret_cast<FT_HANDLE>(0x1234));
const QString kSerial = "ListDevices(1, [" + QString("00 ").repeated(16) + "00], 40000001); ";
const QString kCount = "ListDevices(&0, 0x0, 80000000); ";
const QString kCreate = "W32_CreateFile([54 56 30 31 00], c0000000, 0, 0x0, 3, 81, 0x0); ";
const QString kStatus = "GetStatus(0x1234, &0, &0, &0); ";
const QString kWrite = "W32_WriteFile(0x1234, ";
const QString kRead = kStatus + "W32_ReadFile(0x1234, [00], 1, &0, 0x0); ";
const QString kClose = "W32_CloseHandle(0x1234); ";
const QString kImage = SAMPLE_IMAGES_DIR "/three-records.frw";

TEST(LinkCalls, ExactArgumentsAndResults) {
    const struct {
        const char* name;
        Script script;
        DeviceHandle port;  // PortHandle before the operation, and after it
        void (*run)();
        QString seen;  // the calls and pumps, then what the operation gave
        std::optional<DeviceHandle> portAfter{};  // when the operation changes PortHandle
    } cases[] = {
        // clang-format off
        {"failed count gives 0 whatever the count holds", Script{.status = 2, .deviceCount = 5}, kOpen, [] { g_calls += QString::number(CountDevices()); }, kCount + "0"},
        {"16-character serial without a zero byte", Script{.serial = "ABCDEFGHIJKLMNOPX"}, kOpen, [] { g_calls += DeviceSerialByIndex(1); }, kSerial + "ABCDEFGHIJKLMNOP"},
        {"open giving -1 fails", Script{.openResult = quintptr(-1)}, kOpen, open, kCreate + "failed"},
        {"µ goes out as 0xB5", Script{}, kOpen, [] { SendCommand(QString::fromUtf8("µ\n")); }, kWrite + "[b5 0a], 2, &0, 0x0); "},
        {"close after a failed open: no call", Script{}, DeviceHandle::failed(), ClosePort, ""},
        {"close that returns 0 keeps the handle", Script{.closeResult = 0}, kOpen, ClosePort, kClose},
        {"open over a refused close closes that first", Script{.openResult = 0x99}, kOpen, openPort, kClose + kCreate + "yes", DeviceHandle::open(reinterpret_cast<FT_HANDLE>(0x99))},
        {"upgrade reports it, then tries the close again", Script{.closeResult = 0}, kOpen, [] { UpgradeProcedure::Run(g_view, kImage, "TV01"); }, "Openning file " + kImage + "; " + kClose + "Communication error.; Upgrade failed. Please try again.; ; " + kClose},
        {"failing status call is an empty queue", Script{.status = 4, .received = "ABC"}, kOpen, [] { g_calls += QString::number(RxQueueLength()); }, kStatus + "0"},
        {"empty queue pumps", Script{.received = "A", .emptyPolls = 2}, kOpen, [] { g_calls += QString::number(ReadByte()); }, (kStatus + "pump; ").repeated(2) + kRead + "65"},
        {"lone LF gives \"\"", Script{.received = "\nX"}, kOpen, [] { g_calls += ReadLine(); }, kRead},
        {"a wait across the clock's wrap", Script{}, kOpen, [] { g_clock = 0xFFFFFF00u, Time::WaitMs(300); }, "pump; pump; pump; "},
        // The queue is tested before the clock.
        {"silence ends a read only past its deadline", Script{.emptyPolls = 9}, kOpen, readLineWithin300, (kStatus + "pump; ").repeated(3) + kStatus + "outcome 1: "},
        // clang-format on
    };
    InstallApi(&kFake);
    Time::SetClockSource([] { return g_clock += 100; });
    EventPump::Set([] { g_calls += "pump; "; });
    for (const auto& call : cases) {
        SCOPED_TRACE(call.name);
        g_script = call.script;
        g_calls.clear();
        PortHandle = call.port;
        call.run();
        EXPECT_EQ(g_calls.toStdString(), call.seen.toStdString());
        EXPECT_TRUE(PortHandle == call.portAfter.value_or(call.port));
    }
    EventPump::Set({});
    Time::SetClockSource({});
    InstallApi(nullptr);
}

}  // namespace
