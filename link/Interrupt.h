#pragma once

// A request to stop, set from a signal handler (Ctrl-C, SIGTERM) and seen by every wait at its
// next poll, so a running exchange ends with a value and the device is closed as on any other
// path. The window never sets it.

namespace Interrupt {

// Safe to call from a signal handler.
void Request();
bool Requested();

}  // namespace Interrupt
