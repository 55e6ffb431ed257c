#pragma once

// Byte and line transport to one device through the D2XX library. Every library failure becomes a
// plain value; the callers decide what it means.

#include <QString>
#include <cstdint>

#include "link/D2xxApi.h"
#include "link/PortHandle.h"

namespace FTDI {

// The function table in use; nullptr while no library is loaded, and then every operation gives
// its failure value without a call.
void InstallApi(const D2xxApi* api);
const D2xxApi* InstalledApi();

// Loads the library by name at run time and installs it. Yes when it loads and every function the
// program calls resolves. A second call after a success answers yes at once.
bool LoadDriverLibrary(const QString& name = QStringLiteral("ftd2xx"));

std::int32_t CountDevices();
QString DeviceSerialByIndex(std::int32_t index);
DeviceHandle OpenBySerial(const QString& serial);
std::uint32_t RxQueueLength();
std::uint8_t ReadByte();
QString ReadLine();
void WriteBytes(const std::uint8_t* buffer, std::int32_t count);

// Reads that give up: a device that stops answering, or is unplugged, must not hang the program.
enum class ReadOutcome {
    Ok,
    NoReply,      // the deadline passed
    DeviceError,  // the library reported an error for the receive queue
    LineTooLong,  // MaxLineLength characters arrived without a line feed
    Interrupted,  // Interrupt::Request() was called
};

struct ByteReply {
    ReadOutcome outcome = ReadOutcome::NoReply;
    std::uint8_t byte = 0;
};

struct LineReply {
    ReadOutcome outcome = ReadOutcome::NoReply;
    QString line;  // without its line feed; on a failure, what arrived before it
};

// A line ends at this byte, which is not part of it.
inline constexpr std::uint8_t LineFeed = 10;
inline constexpr int MaxLineLength = 4096;

// A byte already waiting is returned even when the deadline is 0.
ByteReply ReadByteWithin(int deadlineMs);
// The deadline holds for the whole line, not for each byte.
LineReply ReadLineWithin(int deadlineMs);

}  // namespace FTDI
