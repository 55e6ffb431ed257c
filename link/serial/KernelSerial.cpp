// The D2XX functions over open serial ports. A handle is a number handed out once and never
// reused, so a stale or made-up handle is refused instead of reaching a closed port.

#include "link/serial/KernelSerial.h"

#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "link/serial/AddedPorts.h"
#include "link/serial/FtdiPorts.h"
#include "link/serial/OpenPort.h"

namespace KernelSerial {
namespace {

using namespace FTDI;

// What the vendor's Linux library returns for a failed open.
const FT_HANDLE kInvalidHandle = reinterpret_cast<FT_HANDLE>(std::uintptr_t{0xFFFFFFFF});

struct State {
    std::map<std::uintptr_t, std::unique_ptr<OpenPort>> ports;
    std::uintptr_t nextHandle = 0x1000;
    std::optional<FtdiPort> bound;
    QStringList added;
    // Taken when the device count is asked for, so the serial numbers by index that follow
    // belong to the same list.
    QList<FtdiPort> listed;
};

State& state() {
    static State instance;
    return instance;
}

QList<FtdiPort> attachedPorts() {
    const std::optional<FtdiPort>& bound = state().bound;
    if (!bound) {
        const QList<PortDescription> system = SystemPorts();
        return WithAddedPorts(FtdiPorts(system), system, state().added);
    }
    return QFileInfo::exists(bound->location) ? QList<FtdiPort>{*bound} : QList<FtdiPort>{};
}

OpenPort* portOf(FT_HANDLE handle) {
    const auto found = state().ports.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == state().ports.end() ? nullptr : found->second.get();
}

FT_STATUS listDevices(void* arg1, void* arg2, DWORD flags) {
    QList<FtdiPort>& listed = state().listed;
    if (flags == FT_LIST_NUMBER_ONLY) {
        listed = attachedPorts();
        *static_cast<DWORD*>(arg1) = static_cast<DWORD>(listed.size());
        return FT_OK;
    }
    if (flags != (FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER)) return FT_INVALID_PARAMETER;
    const auto index = reinterpret_cast<std::uintptr_t>(arg1);
    if (index >= std::uintptr_t(listed.size())) return FT_DEVICE_NOT_FOUND;
    // As the vendor's library: 16 characters at most, a zero byte only when there is room.
    const QByteArray serial = listed[index].serial.toLatin1();
    std::memcpy(arg2, serial.constData(),
                std::min<std::size_t>(serial.size() + 1, SerialMaxLength));
    return FT_OK;
}

std::variant<FT_HANDLE, OpenFailure> openExplained(const QString& name) {
    State& s = state();
    // The list shows a longer serial number cut to 16 characters, and that is the name asked for.
    const QString serial = name.left(SerialMaxLength);
    const QList<FtdiPort> attached = attachedPorts();
    const auto port = std::find_if(attached.begin(), attached.end(), [&](const FtdiPort& p) {
        return p.serial.left(SerialMaxLength) == serial;
    });
    if (port == attached.end()) {
        return OpenFailure{s.bound ? OpenFailure::Kind::Missing : OpenFailure::Kind::NotListed,
                           s.bound ? s.bound->location : QString(),
                           {}};
    }
    auto opened = OpenPort::Open(port->location);
    if (auto* failure = std::get_if<OpenFailure>(&opened)) {
        return *failure;
    }
    const std::uintptr_t handle = s.nextHandle;
    s.nextHandle += 0x10;
    s.ports[handle] = std::move(std::get<std::unique_ptr<OpenPort>>(opened));
    return reinterpret_cast<FT_HANDLE>(handle);
}

bool openersUnchecked(FT_HANDLE handle) {
    const OpenPort* port = portOf(handle);
    return port != nullptr && port->openersUnchecked();
}

FT_HANDLE createFile(const char* name, DWORD, DWORD, void*, DWORD creation, DWORD flags,
                     FT_HANDLE) {
    if (creation != OPEN_EXISTING || (flags & FT_OPEN_BY_SERIAL_NUMBER) == 0) {
        return kInvalidHandle;
    }
    const std::variant<FT_HANDLE, OpenFailure> opened =
        openExplained(QString::fromLatin1(name == nullptr ? "" : name));
    const FT_HANDLE* handle = std::get_if<FT_HANDLE>(&opened);
    return handle != nullptr ? *handle : kInvalidHandle;
}

FT_STATUS getStatus(FT_HANDLE handle, DWORD* rxBytes, DWORD* txBytes, DWORD* eventStatus) {
    OpenPort* port = portOf(handle);
    if (port == nullptr) return FT_INVALID_HANDLE;
    const std::optional<qint64> waiting = port->waiting();
    if (!waiting) return FT_IO_ERROR;
    *rxBytes = static_cast<DWORD>(*waiting);
    *txBytes = 0;
    *eventStatus = 0;
    return FT_OK;
}

BOOL readFile(FT_HANDLE handle, void* buffer, DWORD count, DWORD* returned, void*) {
    OpenPort* port = portOf(handle);
    *returned = 0;
    const qint64 read = port == nullptr ? -1 : port->read(static_cast<char*>(buffer), count);
    if (read < 0) return 0;
    *returned = static_cast<DWORD>(read);
    return 1;
}

BOOL writeFile(FT_HANDLE handle, void* buffer, DWORD count, DWORD* written, void*) {
    OpenPort* port = portOf(handle);
    *written = 0;
    if (port == nullptr || !port->write(static_cast<const char*>(buffer), count)) return 0;
    *written = count;
    return 1;
}

BOOL closeHandle(FT_HANDLE handle) {
    return state().ports.erase(reinterpret_cast<std::uintptr_t>(handle)) > 0 ? 1 : 0;
}

FT_STATUS getLatencyTimer(FT_HANDLE handle, UCHAR* timerMs) {
    OpenPort* port = portOf(handle);
    const std::optional<int> ms = port == nullptr ? std::nullopt : port->latencyMs();
    if (!ms) return port == nullptr ? FT_INVALID_HANDLE : FT_IO_ERROR;
    *timerMs = static_cast<UCHAR>(*ms);
    return FT_OK;
}

FT_STATUS setLatencyTimer(FT_HANDLE handle, UCHAR timerMs) {
    OpenPort* port = portOf(handle);
    if (port == nullptr) return FT_INVALID_HANDLE;
    switch (port->setLatencyMs(timerMs)) {
        case SerialLatency::WriteOutcome::Set:
            return FT_OK;
        case SerialLatency::WriteOutcome::NotWritable:
            return FT_DEVICE_NOT_OPENED_FOR_WRITE;
        case SerialLatency::WriteOutcome::Refused:
            break;
    }
    return FT_IO_ERROR;
}

}  // namespace

const D2xxApi* Api() {
    static const D2xxApi api{.ListDevices = listDevices,
                             .W32_CreateFile = createFile,
                             .GetStatus = getStatus,
                             .W32_ReadFile = readFile,
                             .W32_WriteFile = writeFile,
                             .W32_CloseHandle = closeHandle,
                             .GetLatencyTimer = getLatencyTimer,
                             .SetLatencyTimer = setLatencyTimer,
                             .OpenExplained = openExplained,
                             .OpenersUnchecked = openersUnchecked};
    return &api;
}

void BindPort(const QString& serial, const QString& location) {
    state().bound = FtdiPort{serial, location};
}

std::optional<FtdiPort> ListedPort(std::int32_t index) {
    const QList<FtdiPort>& listed = state().listed;
    return index >= 0 && index < listed.size() ? std::optional(listed[index]) : std::nullopt;
}

void AddPorts(const QStringList& paths) {
    state().added = paths;
}

}  // namespace KernelSerial
