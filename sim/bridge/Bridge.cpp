// Device list and handle table of the simulated bridge.

#include "Bridge.h"

#include <cstdio>

namespace sim {

Bridge& Bridge::instance() {
    // Never destroyed: the host may still call in while the process's statics are torn down.
    static Bridge* bridge = [] {
        auto* created = new Bridge;
        created->reload();
        return created;
    }();
    return *bridge;
}

int Bridge::reload() {
    m_handles.clear();
    m_devices.clear();
    const ConfigResult result = loadConfig();
    if (result.errorLine != 0) {
        std::fprintf(stderr, "tarvellon-sim: configuration line %d: %s\n", result.errorLine,
                     result.error.c_str());
    }
    m_transcript.open(result.config.transcriptPath);
    m_configWrittenAt = result.config.writtenAt;
    for (const DeviceConfig& config : result.config.devices) {
        m_devices.push_back(std::make_unique<SimDevice>(config, m_transcript));
    }
    followPlugSchedules();
    return result.errorLine;
}

void Bridge::followPlugSchedules() {
    const std::chrono::duration<double, std::milli> since =
        std::chrono::system_clock::now() - m_configWrittenAt;
    for (const auto& device : m_devices) {
        device->followPlugSchedule(since.count(), SimClock::now());
    }
}

std::vector<SimDevice*> Bridge::attached() {
    followPlugSchedules();
    std::vector<SimDevice*> devices;
    for (const auto& device : m_devices) {
        if (!device->unplugged()) {
            devices.push_back(device.get());
        }
    }
    return devices;
}

void* Bridge::open(const std::string& serial) {
    followPlugSchedules();
    for (const auto& device : m_devices) {
        if (device->serial() == serial && device->canOpen()) {
            device->open();
            const std::uintptr_t handle = m_nextHandle;
            m_nextHandle += 0x10;
            m_handles[handle] = device.get();
            return reinterpret_cast<void*>(handle);
        }
    }
    return nullptr;
}

SimDevice* Bridge::device(void* handle) {
    followPlugSchedules();
    const auto found = m_handles.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == m_handles.end() ? nullptr : found->second;
}

bool Bridge::close(void* handle) {
    const auto found = m_handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == m_handles.end()) {
        return false;
    }
    found->second->close();
    m_handles.erase(found);
    return true;
}

}  // namespace sim
