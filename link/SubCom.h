#pragma once

// Sending a command text and closing the port, on the program-global port handle.

#include <QString>

namespace SubCom {

// The whole text goes out in one write, one byte per character; nothing is added to it.
void SendCommand(const QString& text);
// Closes the open device; a port that is not open is left alone.
void ClosePort();

}  // namespace SubCom
