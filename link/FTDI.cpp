// The link's calls into the D2XX library, each with the fixed arguments the device expects, and
// each library failure turned into a plain value.

#include "link/FTDI.h"

#include <cstdint>

#include "link/EventPump.h"
#include "link/LinkTrace.h"

namespace FTDI {
namespace {

const D2xxApi* g_api = nullptr;

// FTDI's Windows headers define the failed-open value as the pointer -1, its Linux headers as the
// integer 0xFFFFFFFF, which a 64-bit pointer holds zero-extended.
bool isFailedOpen(FT_HANDLE handle) {
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    return handle == nullptr || value == static_cast<std::uintptr_t>(-1) || value == 0xFFFFFFFFu;
}

}  // namespace

void InstallApi(const D2xxApi* api) {
    g_api = api;
}

const D2xxApi* InstalledApi() {
    return g_api;
}

std::int32_t CountDevices() {
    if (g_api == nullptr) {
        return 0;
    }
    DWORD count = 0;
    if (g_api->ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY) != FT_OK) {
        return 0;
    }
    return static_cast<std::int32_t>(count);
}

QString DeviceSerialByIndex(std::int32_t index) {
    if (g_api == nullptr) {
        return {};
    }
    char buffer[SerialMaxLength + 1] = {};
    // The index travels in the pointer argument itself, as the library expects.
    void* indexArgument = reinterpret_cast<void*>(static_cast<std::intptr_t>(index));
    if (g_api->ListDevices(indexArgument, buffer, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER) !=
        FT_OK) {
        return {};
    }
    return QString::fromLatin1(buffer, qstrnlen(buffer, SerialMaxLength));
}

DeviceHandle OpenBySerial(const QString& serial) {
    if (g_api == nullptr) {
        return DeviceHandle::failed();
    }
    const QByteArray name = serial.toLatin1();
    FT_HANDLE handle =
        g_api->W32_CreateFile(name.constData(), GENERIC_READ_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FT_OPEN_BY_SERIAL_NUMBER, nullptr);
    return isFailedOpen(handle) ? DeviceHandle::failed() : DeviceHandle::open(handle);
}

std::uint32_t RxQueueLength() {
    if (g_api == nullptr) {
        return 0;
    }
    DWORD rxBytes = 0;
    DWORD txBytes = 0;
    DWORD eventStatus = 0;
    // A library that writes into its outputs on failure must not read as bytes waiting.
    if (g_api->GetStatus(PortHandle.raw(), &rxBytes, &txBytes, &eventStatus) != FT_OK) {
        return 0;
    }
    return rxBytes;
}

std::uint8_t ReadByte() {
    if (g_api == nullptr) {
        return 0;
    }
    EventPump::PollPacer pacer;
    while (RxQueueLength() == 0) {
        EventPump::Run();
        pacer.pause();
    }
    std::uint8_t byte = 0;
    DWORD bytesReturned = 0;
    g_api->W32_ReadFile(PortHandle.raw(), &byte, 1, &bytesReturned, nullptr);
    return byte;
}

QString ReadLine() {
    QString line;
    if (g_api == nullptr) {
        return line;
    }
    for (std::uint8_t byte = ReadByte(); byte != LineFeed; byte = ReadByte()) {
        line.append(QChar(byte));
    }
    return line;
}

void WriteBytes(const std::uint8_t* buffer, std::int32_t count) {
    if (g_api == nullptr || count < 0) {
        return;
    }
    if (LinkTrace::On()) {
        LinkTrace::Emit({LinkTrace::Event::Kind::Written,
                         QByteArray(reinterpret_cast<const char*>(buffer), count)});
    }
    DWORD bytesWritten = 0;
    g_api->W32_WriteFile(PortHandle.raw(), const_cast<std::uint8_t*>(buffer),
                         static_cast<DWORD>(count), &bytesWritten, nullptr);
}

}  // namespace FTDI
