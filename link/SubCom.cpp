// Command texts onto the wire, and the opening and closing of the one open port.

#include "link/SubCom.h"

#include "link/FTDI.h"
#include "link/PortHandle.h"

namespace SubCom {

void SendCommand(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    FTDI::WriteBytes(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                     static_cast<std::int32_t>(bytes.size()));
}

void ClosePort() {
    const FTDI::D2xxApi* api = FTDI::InstalledApi();
    if (!PortHandle.isOpen() || api == nullptr) {
        return;
    }
    // A close the library refuses keeps the handle, so a later ClosePort tries again.
    if (api->W32_CloseHandle(PortHandle.raw()) != 0) {
        PortHandle = DeviceHandle::none();
    }
}

PortOpening OpenPort(const QString& serial) {
    // An open stored over a handle still open would lose that device until the program ends.
    ClosePort();
    if (PortHandle.isOpen()) {
        return {OpenFailure{}};
    }
    const FTDI::D2xxApi* api = FTDI::InstalledApi();
    if (api == nullptr || api->OpenExplained == nullptr) {
        PortHandle = FTDI::OpenBySerial(serial);
        return PortHandle.isOpen() ? PortOpening{} : PortOpening{OpenFailure{}};
    }
    std::variant<FTDI::FT_HANDLE, OpenFailure> opened = api->OpenExplained(serial);
    if (OpenFailure* failure = std::get_if<OpenFailure>(&opened)) {
        PortHandle = DeviceHandle::failed();
        return {std::move(*failure)};
    }
    const FTDI::FT_HANDLE handle = std::get<FTDI::FT_HANDLE>(opened);
    PortHandle = DeviceHandle::open(handle);
    return {std::nullopt, api->OpenersUnchecked != nullptr && api->OpenersUnchecked(handle)};
}

}  // namespace SubCom
