// The D2XX entry points of the simulated bridge, with FTDI's Linux signatures, plus the two
// entry points tests use to reconfigure it. Only these symbols are exported.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Bridge.h"

namespace {

using FT_HANDLE = void*;
using FT_STATUS = unsigned int;
using DWORD = unsigned int;
using BOOL = int;
using UCHAR = unsigned char;

constexpr FT_STATUS FT_OK = 0;
constexpr FT_STATUS FT_INVALID_HANDLE = 1;
constexpr FT_STATUS FT_DEVICE_NOT_FOUND = 2;
constexpr FT_STATUS FT_IO_ERROR = 4;
constexpr FT_STATUS FT_INVALID_PARAMETER = 6;
constexpr FT_STATUS FT_NOT_SUPPORTED = 17;

constexpr DWORD FT_LIST_NUMBER_ONLY = 0x80000000;
constexpr DWORD FT_LIST_BY_INDEX = 0x40000000;
constexpr DWORD FT_OPEN_BY_SERIAL_NUMBER = 1;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FT_EVENT_RXCHAR = 1;
constexpr std::size_t kSerialCharacters = 16;
constexpr std::size_t kDescriptionCharacters = 64;

// Every simulated unit sits behind the same kind of bridge.
constexpr DWORD kDeviceType = 5;  // FT_DEVICE_232R
constexpr DWORD kVendorProduct = 0x04036001;
constexpr const char* kDescription = "FT232R USB UART";

// What FT_CreateDeviceInfoList saw, read back by FT_GetDeviceInfoDetail until the next one.
struct InfoEntry {
    std::string serial;
    DWORD location = 0;
};
std::vector<InfoEntry> g_infoList;

// What FTDI's Linux library returns for a failed FT_W32_CreateFile.
const FT_HANDLE kInvalidHandle = reinterpret_cast<FT_HANDLE>(std::uintptr_t{0xFFFFFFFF});

sim::Bridge& bridge() {
    return sim::Bridge::instance();
}

// The device behind a handle, brought up to now; null when the handle is unknown or the device
// has vanished.
sim::SimDevice* liveDevice(FT_HANDLE handle, sim::SimTime now, FT_STATUS& status) {
    sim::SimDevice* device = bridge().device(handle);
    if (device == nullptr) {
        status = FT_INVALID_HANDLE;
        return nullptr;
    }
    if (!device->unplugged()) {
        device->advance(now);
    }
    status = device->unplugged() ? FT_IO_ERROR : FT_OK;
    return device->unplugged() ? nullptr : device;
}

// Every call goes into the transcript, so tests see the timer read, set and put back, and the
// notification asked for.
void logSetting(FT_HANDLE handle, const char* event, FT_STATUS status, UCHAR value) {
    const sim::SimDevice* device = bridge().device(handle);
    const std::string failed = std::string(event) + "-failed";
    bridge().transcript().log(sim::SimClock::now(), status == FT_OK ? event : failed.c_str(),
                              device == nullptr ? "" : device->serial(), &value, 1);
}

}  // namespace

#ifdef _WIN32
#define SIM_EXPORT extern "C" __declspec(dllexport)
#else
#define SIM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

SIM_EXPORT FT_STATUS FT_ListDevices(void* arg1, void* arg2, DWORD flags) {
    const auto held = bridge().lock();
    const auto devices = bridge().attached();
    if (flags == FT_LIST_NUMBER_ONLY) {
        *static_cast<DWORD*>(arg1) = static_cast<DWORD>(devices.size());
        return FT_OK;
    }
    if (flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER)) {
        const auto index = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(arg1));
        if (index >= devices.size()) {
            return FT_DEVICE_NOT_FOUND;
        }
        // Like the vendor's library: up to 16 characters, a zero byte only when there is room.
        const std::string& serial = devices[index]->serial();
        std::memcpy(arg2, serial.c_str(), std::min(serial.size() + 1, kSerialCharacters));
        return FT_OK;
    }
    return FT_INVALID_PARAMETER;
}

SIM_EXPORT FT_HANDLE FT_W32_CreateFile(const char* name, DWORD, DWORD, void*, DWORD creation,
                                       DWORD attributesAndFlags, FT_HANDLE) {
    const auto held = bridge().lock();
    const auto now = sim::SimClock::now();
    const std::string serial = name == nullptr ? "" : name;
    FT_HANDLE handle = nullptr;
    if ((attributesAndFlags & FT_OPEN_BY_SERIAL_NUMBER) != 0 && creation == OPEN_EXISTING) {
        handle = bridge().open(serial);
    }
    if (handle == nullptr) {
        bridge().transcript().log(now, "open-failed", "", serial);
        return kInvalidHandle;
    }
    bridge().transcript().log(now, "open", serial);
    return handle;
}

SIM_EXPORT FT_STATUS FT_GetStatus(FT_HANDLE handle, DWORD* rxBytes, DWORD* txBytes,
                                  DWORD* eventStatus) {
    const auto held = bridge().lock();
    FT_STATUS status = FT_OK;
    sim::SimDevice* device = liveDevice(handle, sim::SimClock::now(), status);
    if (device == nullptr) {
        return status;
    }
    *rxBytes = static_cast<DWORD>(device->available());
    *txBytes = 0;
    *eventStatus = 0;
    return FT_OK;
}

SIM_EXPORT BOOL FT_W32_ReadFile(FT_HANDLE handle, void* buffer, DWORD bytesToRead,
                                DWORD* bytesReturned, void*) {
    const auto held = bridge().lock();
    const auto now = sim::SimClock::now();
    FT_STATUS status = FT_OK;
    sim::SimDevice* device = liveDevice(handle, now, status);
    *bytesReturned = 0;
    if (device == nullptr) {
        return 0;
    }
    // Never blocks: hands over what the receive queue holds, up to the count asked for.
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    *bytesReturned = static_cast<DWORD>(device->read(bytes, bytesToRead));
    bridge().transcript().log(now, "read", device->serial(), bytes, *bytesReturned);
    return 1;
}

SIM_EXPORT BOOL FT_W32_WriteFile(FT_HANDLE handle, void* buffer, DWORD bytesToWrite,
                                 DWORD* bytesWritten, void*) {
    const auto held = bridge().lock();
    const auto now = sim::SimClock::now();
    FT_STATUS status = FT_OK;
    sim::SimDevice* device = liveDevice(handle, now, status);
    *bytesWritten = 0;
    if (device == nullptr) {
        return 0;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    bridge().transcript().log(now, "write", device->serial(), bytes, bytesToWrite);
    device->receive(bytes, bytesToWrite, now);
    bridge().scheduleChanged();
    *bytesWritten = bytesToWrite;
    return 1;
}

SIM_EXPORT BOOL FT_W32_CloseHandle(FT_HANDLE handle) {
    const auto held = bridge().lock();
    sim::SimDevice* device = bridge().device(handle);
    if (device == nullptr) {
        return 0;
    }
    bridge().transcript().log(sim::SimClock::now(), "close", device->serial());
    return bridge().close(handle) ? 1 : 0;
}

SIM_EXPORT FT_STATUS FT_GetLatencyTimer(FT_HANDLE handle, UCHAR* timerMs) {
    const auto held = bridge().lock();
    FT_STATUS status = FT_OK;
    sim::SimDevice* device = liveDevice(handle, sim::SimClock::now(), status);
    if (device != nullptr) {
        *timerMs = static_cast<UCHAR>(device->latencyMs());
    }
    logSetting(handle, "latency-get", status, device == nullptr ? 0 : *timerMs);
    return status;
}

SIM_EXPORT FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, UCHAR timerMs) {
    const auto held = bridge().lock();
    FT_STATUS status = FT_OK;
    sim::SimDevice* device = liveDevice(handle, sim::SimClock::now(), status);
    if (device != nullptr && timerMs < device->lowestLatencyMs()) {
        status = FT_INVALID_PARAMETER;
    }
    if (status == FT_OK) {
        device->setLatencyMs(timerMs);
        bridge().scheduleChanged();
    }
    logSetting(handle, "latency-set", status, timerMs);
    return status;
}

// As FTDI documents it: the host's event (an event object on Windows, a condition and mutex pair
// on Linux) is signalled whenever bytes arrive. Only the receive event is simulated.
SIM_EXPORT FT_STATUS FT_SetEventNotification(FT_HANDLE handle, DWORD eventMask, void* eventHandle) {
    const auto held = bridge().lock();
    FT_STATUS status = FT_OK;
    sim::SimDevice* device = liveDevice(handle, sim::SimClock::now(), status);
    if (device != nullptr && !device->notifies()) {
        status = FT_NOT_SUPPORTED;
    }
    if (status == FT_OK) {
        bridge().signalArrivals(handle, (eventMask & FT_EVENT_RXCHAR) != 0 ? eventHandle : nullptr);
    }
    logSetting(handle, "notification", status, static_cast<UCHAR>(eventMask));
    return status;
}

SIM_EXPORT FT_STATUS FT_CreateDeviceInfoList(DWORD* deviceCount) {
    const auto held = bridge().lock();
    g_infoList.clear();
    for (const sim::SimDevice* device : bridge().attached()) {
        g_infoList.push_back({device->serial(), device->location()});
    }
    *deviceCount = static_cast<DWORD>(g_infoList.size());
    return FT_OK;
}

// Texts as the vendor's library fills them: up to the field's length, a zero byte only when there
// is room.
SIM_EXPORT FT_STATUS FT_GetDeviceInfoDetail(DWORD index, DWORD* flags, DWORD* type, DWORD* id,
                                            DWORD* location, void* serial, void* description,
                                            FT_HANDLE* handle) {
    const auto held = bridge().lock();
    if (index >= g_infoList.size()) {
        return FT_DEVICE_NOT_FOUND;
    }
    const InfoEntry& entry = g_infoList[index];
    *flags = 0;
    *type = kDeviceType;
    *id = kVendorProduct;
    *location = entry.location;
    std::memcpy(serial, entry.serial.c_str(), std::min(entry.serial.size() + 1, kSerialCharacters));
    std::memcpy(description, kDescription,
                std::min(std::strlen(kDescription) + 1, kDescriptionCharacters));
    *handle = nullptr;
    return FT_OK;
}

// Rereads TARVELLON_SIM_CONFIG: 0 when accepted, else the first bad line (-1: unreadable file).
SIM_EXPORT int TarvellonSim_Reload() {
    const auto held = bridge().lock();
    return bridge().reload();
}

// The configuration text of the devices attached when TARVELLON_SIM_CONFIG is not set.
SIM_EXPORT const char* TarvellonSim_DefaultConfig() {
    return sim::defaultConfigText();
}
