// The recorder behind FakeD2xx; the table of plain function pointers reaches the one live fake
// through a file-level pointer.

#include "tests/common/FakeD2xx.h"

#include <algorithm>
#include <cstring>

#include "link/FTDI.h"
#include "link/PortHandle.h"

namespace {

using namespace FTDI;

FakeD2xx* g_fake = nullptr;

QString pointer(const void* value) {
    const auto number = reinterpret_cast<quintptr>(value);
    if (number == 0) {
        return QStringLiteral("null");
    }
    if (number == ~quintptr{0}) {
        return QStringLiteral("-1");
    }
    return QStringLiteral("0x") + QString::number(number, 16);
}

QString hex(DWORD value) {
    return QStringLiteral("0x") + QString::number(value, 16);
}

// An output argument as the call found it: "&" and the value it held.
QString output(const DWORD* value) {
    return QStringLiteral("&") + QString::number(*value);
}

QString bytes(const void* buffer, DWORD count) {
    const QByteArray data(static_cast<const char*>(buffer), static_cast<qsizetype>(count));
    return QStringLiteral("[") + QString::fromLatin1(data.toHex(' ')) + QStringLiteral("]");
}

FT_STATUS listDevices(void* arg1, void* arg2, DWORD flags) {
    if (flags == FT_LIST_NUMBER_ONLY) {
        auto* count = static_cast<DWORD*>(arg1);
        g_fake->calls << QStringLiteral("ListDevices(%1, %2, %3)")
                             .arg(output(count), pointer(arg2), hex(flags));
        *count = g_fake->deviceCount;
        return g_fake->listStatus;
    }
    // The index travels in the pointer itself; the buffer is shown as its 17 bytes.
    const auto index = static_cast<qint64>(reinterpret_cast<qintptr>(arg1));
    g_fake->calls << QStringLiteral("ListDevices(%1, %2, %3)")
                         .arg(QString::number(index), bytes(arg2, 17), hex(flags));
    std::memcpy(arg2, g_fake->serialBuffer.constData(),
                std::min<qsizetype>(g_fake->serialBuffer.size(), 17));
    return g_fake->listStatus;
}

FT_HANDLE createFile(const char* name, DWORD access, DWORD share, void* security, DWORD creation,
                     DWORD flags, FT_HANDLE templateFile) {
    g_fake->calls << QStringLiteral("W32_CreateFile(%1, %2, %3, %4, %5, %6, %7)")
                         .arg(bytes(name, static_cast<DWORD>(std::strlen(name) + 1)), hex(access),
                              QString::number(share), pointer(security), QString::number(creation),
                              hex(flags), pointer(templateFile));
    return g_fake->openResult;
}

FT_STATUS getStatus(FT_HANDLE handle, DWORD* rx, DWORD* tx, DWORD* events) {
    g_fake->calls << QStringLiteral("GetStatus(%1, %2, %3, %4)")
                         .arg(pointer(handle), output(rx), output(tx), output(events));
    if (g_fake->getStatusResult != FT_OK) {
        *rx = g_fake->rxBytesOnFailure;
        return g_fake->getStatusResult;
    }
    if (g_fake->emptyPolls > 0) {
        --g_fake->emptyPolls;
        *rx = 0;
    } else {
        *rx = static_cast<DWORD>(g_fake->received.size());
    }
    return FT_OK;
}

BOOL readFile(FT_HANDLE handle, void* buffer, DWORD count, DWORD* returned, void* overlapped) {
    g_fake->calls << QStringLiteral("W32_ReadFile(%1, %2, %3, %4, %5)")
                         .arg(pointer(handle), bytes(buffer, count), QString::number(count),
                              output(returned), pointer(overlapped));
    const qsizetype given = std::min<qsizetype>(count, g_fake->received.size());
    std::memcpy(buffer, g_fake->received.constData(), given);
    g_fake->received.remove(0, given);
    *returned = static_cast<DWORD>(given);
    return 1;
}

BOOL writeFile(FT_HANDLE handle, void* buffer, DWORD count, DWORD* written, void* overlapped) {
    g_fake->calls << QStringLiteral("W32_WriteFile(%1, %2, %3, %4, %5)")
                         .arg(pointer(handle), bytes(buffer, count), QString::number(count),
                              output(written), pointer(overlapped));
    *written = count;
    return 1;
}

BOOL closeHandle(FT_HANDLE handle) {
    g_fake->calls << QStringLiteral("W32_CloseHandle(%1)").arg(pointer(handle));
    return g_fake->closeResult;
}

}  // namespace

FakeD2xx::FakeD2xx() {
    m_api.ListDevices = listDevices;
    m_api.W32_CreateFile = createFile;
    m_api.GetStatus = getStatus;
    m_api.W32_ReadFile = readFile;
    m_api.W32_WriteFile = writeFile;
    m_api.W32_CloseHandle = closeHandle;
    g_fake = this;
    PortHandle = DeviceHandle::none();
    FTDI::InstallApi(&m_api);
}

FakeD2xx::~FakeD2xx() {
    FTDI::InstallApi(nullptr);
    g_fake = nullptr;
}
