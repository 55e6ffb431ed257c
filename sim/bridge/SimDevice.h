#pragma once

// One simulated µTarvellon behind its bridge chip: the application and boot loader's command
// handling, the record-receive mode, the configured faults, and the bridge's queue to the host.
// A reply is scheduled at the time it would arrive and becomes readable when the host next looks,
// so the whole simulation runs on the caller's thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "BridgeQueue.h"
#include "SimConfig.h"
#include "Transcript.h"

namespace sim {

class SimDevice {
  public:
    SimDevice(DeviceConfig config, Transcript& transcript);

    const std::string& serial() const { return m_config.serial; }
    bool canOpen() const { return !m_open && !m_unplugged && !m_config.openFails; }
    bool unplugged() const { return m_unplugged; }
    // The library's location id of the socket it is plugged into now.
    std::uint32_t location() const { return m_location; }
    // Plugs the unit in or pulls it out as its schedule says for this moment, given in
    // milliseconds after the configuration was written. A unit plugged back starts afresh.
    void followPlugSchedule(double msSinceWritten, SimTime now);

    // Each open starts a fresh session; the run level is the device's own and outlasts it.
    void open();
    void close();

    // Bytes from the host, arriving at `now`.
    void receive(const std::uint8_t* bytes, std::size_t count, SimTime now);
    // Brings the bridge up to `now`; the device may vanish here (unplug after a partial reply).
    void advance(SimTime now);
    std::size_t available() const { return m_queue.available(); }
    // When bytes next reach the host's side of the bridge; nothing while none are on their way.
    std::optional<SimTime> nextDeliveryAt() const { return m_queue.nextForwardAt(); }
    std::size_t read(std::uint8_t* out, std::size_t max) { return m_queue.read(out, max); }

    int latencyMs() const { return m_queue.latencyMs(); }
    int lowestLatencyMs() const { return m_config.lowestLatencyMs; }
    void setLatencyMs(int ms) { m_queue.setLatencyMs(ms); }
    bool notifies() const { return m_config.notifies; }

  private:
    void handleCommand(const std::string& command, SimTime now);
    // The bytes a command is answered with; empty when the device says nothing.
    std::string replyTo(const std::string& command);
    void handleRecord(SimTime now);
    std::uint8_t judgeRecord();
    void send(const std::string& bytes, SimTime now);
    std::string line(const std::string& text) const;
    // The extra line a device with a banner sends after each reset.
    std::string banner() const;
    void unplug(SimTime now);
    // When a byte put on a serial line at `at` has crossed it, behind the bytes still on it.
    SimTime crossLine(SimTime& lineFree, SimTime at);

    DeviceConfig m_config;
    Transcript& m_transcript;
    BridgeQueue m_queue;

    bool m_open = false;
    bool m_unplugged = false;
    std::uint32_t m_location = 0;
    // Unknown until the schedule is first followed; a unit absent then was never plugged in.
    std::optional<bool> m_scheduledIn;
    bool m_boot = false;
    bool m_recordMode = false;
    bool m_endSeen = false;
    bool m_silent = false;
    bool m_unplugWhenDrained = false;
    int m_records = 0;
    std::string m_line;
    std::string m_record;
    SimTime m_busyUntil;
    SimClock::duration m_byteTime{};
    SimTime m_toDeviceLineFree;
    SimTime m_toHostLineFree;
};

}  // namespace sim
