#pragma once

// Opening, sending a command text and closing the port, on the program-global port handle.

#include <QString>

#include "link/OpenFailure.h"

namespace SubCom {

// The whole text goes out in one write, one byte per character; nothing is added to it.
void SendCommand(const QString& text);
// Closes the open device; a port that is not open is left alone.
void ClosePort();
// Opens the device into the port handle, or says why it cannot be used. A device still open
// because the library refused to close it is closed first; if it refuses again nothing is opened,
// and the old handle stays for a later ClosePort.
PortOpening OpenPort(const QString& serial);

}  // namespace SubCom
