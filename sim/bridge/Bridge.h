#pragma once

// The attached simulated devices and the handles the host holds on them. Handles are numbers that
// are never reused, so a stale or made-up handle is refused instead of reaching freed memory.
// Everything runs on the host's thread, but for the thread that signals arrivals to a host that
// asked for it; the two take turns under one lock.

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
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

    // Held by every entry point for the length of the call.
    std::unique_lock<std::mutex> lock() { return std::unique_lock<std::mutex>(m_mutex); }

    Transcript& transcript() { return m_transcript; }
    // The devices still attached, in configuration order.
    std::vector<SimDevice*> attached();
    // Opens the attached device of that serial number; null when it cannot be opened.
    void* open(const std::string& serial);
    // The device behind an open handle; null for an unknown or closed handle.
    SimDevice* device(void* handle);
    bool close(void* handle);

    // From now on the host's event is signalled whenever bytes become readable on the handle;
    // null stops it. The event is the vendor's kind for the platform.
    void signalArrivals(void* handle, void* event);
    // After a write or a new latency timer: the next arrival may have moved.
    void scheduleChanged() { m_scheduleChanged.notify_one(); }

  private:
    Bridge() = default;
    void followPlugSchedules();
    // The signalling thread: wakes when the next bytes are due, makes them readable, signals.
    void signalLoop();

    Transcript m_transcript;
    std::vector<std::unique_ptr<SimDevice>> m_devices;
    std::map<std::uintptr_t, SimDevice*> m_handles;
    std::uintptr_t m_nextHandle = 0x1000;
    std::chrono::system_clock::time_point m_configWrittenAt;

    std::mutex m_mutex;
    std::map<std::uintptr_t, void*> m_arrivalEvents;
    std::condition_variable m_scheduleChanged;
    bool m_signalling = false;
};

}  // namespace sim
