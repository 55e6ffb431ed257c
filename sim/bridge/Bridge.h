#pragma once

// The attached simulated devices and the handles the host holds on them. Handles are numbers that
// are never reused, so a stale or made-up handle is refused instead of reaching freed memory.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "SimConfig.h"
#include "SimDevice.h"
#include "Transcript.h"

namespace sim {

class Bridge {
  public:
    // The bridge of this process, configured on first use.
    static Bridge& instance();

    // Rereads the configuration; every open handle becomes invalid. Returns 0, or the number of
    // the first bad line (-1: the file cannot be read).
    int reload();

    Transcript& transcript() { return m_transcript; }
    // The devices still attached, in configuration order.
    std::vector<SimDevice*> attached();
    // Opens the attached device of that serial number; null when it cannot be opened.
    void* open(const std::string& serial);
    // The device behind an open handle; null for an unknown or closed handle.
    SimDevice* device(void* handle);
    bool close(void* handle);

  private:
    Bridge() = default;
    void followPlugSchedules();

    Transcript m_transcript;
    std::vector<std::unique_ptr<SimDevice>> m_devices;
    std::map<std::uintptr_t, SimDevice*> m_handles;
    std::uintptr_t m_nextHandle = 0x1000;
    std::chrono::system_clock::time_point m_configWrittenAt;
};

}  // namespace sim
