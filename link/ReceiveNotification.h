#pragma once

// The library can signal the host when bytes reach the receive queue. A read that waits for that
// signal costs no processor time while the device is busy or silent, and picks a reply up the
// moment it arrives. Only the command line arms it: the window's waits pump its events.

namespace FTDI {

// On the open port. False when the library lacks the function or refuses it; reads then poll.
bool ArmReceiveNotification();
// Returns once bytes are waiting, the library signals, or ms have passed, but blocks 50 ms at most
// so that the caller sees an interrupt request in time. False, at once, unless the open port is
// the one armed.
bool AwaitReceive(int ms);

}  // namespace FTDI
