#pragma once

// The host's half of the library's receive signal: on Linux a condition and mutex pair, on Windows
// an event object (ReceiveEvent_win.cpp). Made once and never freed: the library may signal it
// until the process ends.

#include <functional>

namespace FTDI::ReceiveEvent {

// What FT_SetEventNotification takes as the event handle.
void* Handle();
// Returns once the library signals or ms have passed; at once when `queueEmpty` says bytes wait.
// The look is made so that bytes arriving after it still wake the wait.
void Wait(int ms, const std::function<bool()>& queueEmpty);

}  // namespace FTDI::ReceiveEvent
