// Where the program-global port handle lives, and what the library is handed in each state.

#include "link/PortHandle.h"

#include <cstdint>

DeviceHandle PortHandle = DeviceHandle::none();

FTDI::FT_HANDLE DeviceHandle::raw() const {
    switch (m_state) {
        case State::Open:
            return m_handle;
        case State::Failed:
            return reinterpret_cast<FTDI::FT_HANDLE>(static_cast<std::intptr_t>(-1));
        case State::None:
            break;
    }
    return nullptr;
}
