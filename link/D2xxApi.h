#pragma once

// The D2XX functions the program calls, as one table of pointers. The real library, the simulated
// bridge and the in-process fakes of the tests all fill this table, so the link above it never
// knows which one it talks to. Declarations follow FTDI's D2XX programmer's guide.

#include <QString>
#include <cstdint>
#include <variant>

#include "link/OpenFailure.h"

#ifdef _WIN32
#define D2XX_CALL __stdcall
#else
#define D2XX_CALL
#endif

namespace FTDI {

using FT_HANDLE = void*;
using FT_STATUS = std::uint32_t;
using DWORD = std::uint32_t;
using BOOL = int;
using UCHAR = unsigned char;

inline constexpr FT_STATUS FT_OK = 0;
inline constexpr FT_STATUS FT_INVALID_HANDLE = 1;
inline constexpr FT_STATUS FT_DEVICE_NOT_FOUND = 2;
inline constexpr FT_STATUS FT_IO_ERROR = 4;
inline constexpr FT_STATUS FT_INVALID_PARAMETER = 6;
// The kernel's driver answers a latency timer it may not set with this: the port's latency_timer
// attribute may not be written by this user, and the bridge was never asked.
inline constexpr FT_STATUS FT_DEVICE_NOT_OPENED_FOR_WRITE = 9;
inline constexpr DWORD FT_LIST_NUMBER_ONLY = 0x80000000;
inline constexpr DWORD FT_LIST_BY_INDEX = 0x40000000;
inline constexpr DWORD FT_OPEN_BY_SERIAL_NUMBER = 1;
inline constexpr DWORD GENERIC_READ_WRITE = 0xC0000000;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD FT_EVENT_RXCHAR = 1;
// A serial number holds 16 characters at most, and may fill its field without a terminating zero
// byte.
inline constexpr int SerialMaxLength = 16;

struct D2xxApi {
    FT_STATUS(D2XX_CALL* ListDevices)(void* arg1, void* arg2, DWORD flags) = nullptr;
    FT_HANDLE(D2XX_CALL* W32_CreateFile)
    (const char* name, DWORD access, DWORD shareMode, void* security, DWORD creation,
     DWORD attributesAndFlags, FT_HANDLE templateFile) = nullptr;
    FT_STATUS(D2XX_CALL* GetStatus)
    (FT_HANDLE handle, DWORD* rxBytes, DWORD* txBytes, DWORD* eventStatus) = nullptr;
    BOOL(D2XX_CALL* W32_ReadFile)
    (FT_HANDLE handle, void* buffer, DWORD bytesToRead, DWORD* bytesReturned,
     void* overlapped) = nullptr;
    BOOL(D2XX_CALL* W32_WriteFile)
    (FT_HANDLE handle, void* buffer, DWORD bytesToWrite, DWORD* bytesWritten,
     void* overlapped) = nullptr;
    BOOL(D2XX_CALL* W32_CloseHandle)(FT_HANDLE handle) = nullptr;

    // Optional: resolved when the library has them, never needed for the library to count as
    // present, and called only by the command line.
    FT_STATUS(D2XX_CALL* GetLatencyTimer)(FT_HANDLE handle, UCHAR* timerMs) = nullptr;
    FT_STATUS(D2XX_CALL* SetLatencyTimer)(FT_HANDLE handle, UCHAR timerMs) = nullptr;
    // The event handle is a Windows event, or on Linux a condition and mutex pair.
    FT_STATUS(D2XX_CALL* SetEventNotification)
    (FT_HANDLE handle, DWORD eventMask, void* eventHandle) = nullptr;
    // The library's device information list: built by the first, read an entry at a time by the
    // second, whose serial number holds 16 characters and description 64.
    FT_STATUS(D2XX_CALL* CreateDeviceInfoList)(DWORD* deviceCount) = nullptr;
    FT_STATUS(D2XX_CALL* GetDeviceInfoDetail)
    (DWORD index, DWORD* flags, DWORD* type, DWORD* id, DWORD* locationId, void* serial,
     void* description, FT_HANDLE* handle) = nullptr;

    // The program's own, not the library's: W32_CreateFile by serial number that says why it
    // failed. Filled by the kernel's driver, which knows; the vendor's library gives no reason.
    std::variant<FT_HANDLE, OpenFailure> (*OpenExplained)(const QString& serial) = nullptr;
    // Whether another program may hold the open port unseen (link/serial/PortOpeners.h).
    bool (*OpenersUnchecked)(FT_HANDLE handle) = nullptr;
};

}  // namespace FTDI
