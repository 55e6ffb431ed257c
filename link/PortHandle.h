#pragma once

// The one open device. A D2XX handle is a pointer and does not fit 32 bits, so the three states
// the program distinguishes (nothing open, the last open failed, a device open) are kept here
// beside the pointer rather than encoded in a signed number.

#include "link/D2xxApi.h"

class DeviceHandle {
  public:
    enum class State { None, Failed, Open };

    static DeviceHandle none() { return DeviceHandle(State::None, nullptr); }
    static DeviceHandle failed() { return DeviceHandle(State::Failed, nullptr); }
    static DeviceHandle open(FTDI::FT_HANDLE handle) { return DeviceHandle(State::Open, handle); }

    State state() const { return m_state; }
    bool isOpen() const { return m_state == State::Open; }
    bool isFailed() const { return m_state == State::Failed; }
    bool isNone() const { return m_state == State::None; }
    // What the library is given: null for "none" and the invalid-handle value for "failed".
    FTDI::FT_HANDLE raw() const;

    bool operator==(const DeviceHandle&) const = default;

  private:
    DeviceHandle(State state, FTDI::FT_HANDLE handle) : m_state(state), m_handle(handle) {}

    State m_state = State::None;
    FTDI::FT_HANDLE m_handle = nullptr;
};

// The program-global port handle: none when the program starts.
extern DeviceHandle PortHandle;
