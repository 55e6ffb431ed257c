// Windows reaches the bridges through the vendor's library alone: no port is listed or bound.

#include "link/serial/KernelSerial.h"

namespace KernelSerial {

const FTDI::D2xxApi* Api() {
    return nullptr;
}

void BindPort(const QString&, const QString&) {}

void AddPorts(const QStringList&) {}

std::optional<FtdiPort> ListedPort(std::int32_t) {
    return std::nullopt;
}

}  // namespace KernelSerial
