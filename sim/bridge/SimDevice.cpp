// The simulated device's side of the protocol, with its faults.

#include "SimDevice.h"

#include <algorithm>

#include "RecordFormat.h"

namespace sim {

SimDevice::SimDevice(DeviceConfig config, Transcript& transcript)
    : m_config(std::move(config)),
      m_transcript(transcript),
      m_location(m_config.location),
      m_boot(m_config.bootAtOpen) {
    m_queue.setLatencyMs(m_config.latencyMs);
    if (m_config.baud > 0) {
        m_byteTime = std::chrono::duration_cast<SimClock::duration>(
            std::chrono::duration<double>(10.0 / m_config.baud));
    }
}

void SimDevice::followPlugSchedule(double msSinceWritten, SimTime now) {
    const auto& windows = m_config.plugged;
    const auto window = std::find_if(windows.begin(), windows.end(), [&](const PlugWindow& w) {
        return msSinceWritten >= w.from && msSinceWritten < w.until;
    });
    const bool in = windows.empty() || window != windows.end();
    if (window != windows.end()) m_location = window->location.value_or(m_config.location);
    if (in == m_scheduledIn) {
        return;
    }
    const bool firstLook = !m_scheduledIn.has_value();
    m_scheduledIn = in;
    if (firstLook) {
        m_unplugged = !in;
        return;
    }
    if (!in) {
        if (!m_unplugged) unplug(now);
        return;
    }
    m_unplugged = false;
    m_boot = m_config.bootAtOpen;
    m_transcript.log(now, "plug", serial());
}

void SimDevice::open() {
    m_open = true;
    m_recordMode = false;
    m_endSeen = false;
    m_silent = false;
    m_unplugWhenDrained = false;
    m_records = 0;
    m_line.clear();
    m_record.clear();
    m_queue.clear();
    m_queue.setLatencyMs(m_config.latencyMs);
    m_busyUntil = SimTime();
    m_toDeviceLineFree = SimTime();
    m_toHostLineFree = SimTime();
}

void SimDevice::close() {
    m_open = false;
}

void SimDevice::receive(const std::uint8_t* bytes, std::size_t count, SimTime now) {
    for (std::size_t i = 0; i < count && !m_unplugged; ++i) {
        const char byte = static_cast<char>(bytes[i]);
        const SimTime arrives = crossLine(m_toDeviceLineFree, now);
        if (m_recordMode) {
            m_record += byte;
            if (m_record.size() == record::kSize) {
                handleRecord(arrives);
                m_record.clear();
            }
        } else if (byte == '\n') {
            handleCommand(m_line, arrives);
            m_line.clear();
        } else {
            m_line += byte;
        }
    }
}

void SimDevice::advance(SimTime now) {
    m_queue.advance(now);
    if (m_unplugWhenDrained && m_queue.drained()) {
        unplug(now);
    }
}

void SimDevice::handleCommand(const std::string& command, SimTime now) {
    m_transcript.log(now, "command", serial(), command);
    if (m_config.silentFromCommand == command) {
        m_silent = true;
    }
    if (m_silent) {
        return;
    }
    if (m_config.floodCommand == command) {
        send(std::string(m_config.floodBytes, 'x'), now);
        return;
    }
    const std::string reply = replyTo(command);
    if (m_config.unplugMidReply == command) {
        send(reply.substr(0, std::max<std::size_t>(reply.size() / 2, 1)), now);
        m_unplugWhenDrained = true;
        return;
    }
    send(reply, now);
}

std::string SimDevice::replyTo(const std::string& command) {
    if (command == "id") {
        return line(m_config.identity);
    }
    if (command == "runlevel") {
        return line(m_config.runLevelReply.value_or(m_boot ? "runlevel boot" : "runlevel app"));
    }
    if (command == "reset ") {
        m_boot = true;
        return line("reset boot") + banner();
    }
    if (command == "reset") {
        m_boot = m_config.bootAtOpen;
        return banner();
    }
    if (command == "firmkey") {
        return line("firmkey " + m_config.key);
    }
    if (command == "monitor" && m_boot) {
        m_recordMode = true;
        return "M";
    }
    if (command == "led on" || command == "led off") {
        return {};
    }
    return line("error");
}

void SimDevice::handleRecord(SimTime now) {
    ++m_records;
    if (m_records == m_config.unplugAtRecord) {
        unplug(now);
        return;
    }
    if (m_config.silentFromRecord != 0 && m_records >= m_config.silentFromRecord) {
        return;
    }
    const auto programming = std::chrono::duration_cast<SimClock::duration>(
        std::chrono::duration<double, std::milli>(m_config.programMs));
    m_busyUntil = std::max(now, m_busyUntil) + programming;
    send(std::string(1, static_cast<char>(judgeRecord())), m_busyUntil);
}

std::uint8_t SimDevice::judgeRecord() {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(m_record.data());
    if (m_records == m_config.refuseRecord || !record::checksumHolds(bytes) || m_endSeen) {
        return record::kRefused;
    }
    if (bytes[0] == record::kEnd) {
        m_endSeen = true;
        return record::kComplete;
    }
    return bytes[0] == record::kData ? record::kAccepted : record::kRefused;
}

void SimDevice::send(const std::string& bytes, SimTime now) {
    const SimTime at = std::max(now, m_busyUntil);
    if (m_byteTime == SimClock::duration::zero()) {
        m_queue.send(bytes, at);
        return;
    }
    for (const char byte : bytes) {
        m_queue.send(std::string(1, byte), crossLine(m_toHostLineFree, at));
    }
}

SimTime SimDevice::crossLine(SimTime& lineFree, SimTime at) {
    if (m_byteTime == SimClock::duration::zero()) {
        return at;
    }
    lineFree = std::max(lineFree, at) + m_byteTime;
    return lineFree;
}

std::string SimDevice::line(const std::string& text) const {
    return text + (m_config.crlf ? "\r\n" : "\n");
}

std::string SimDevice::banner() const {
    return m_config.banner ? line(*m_config.banner) : "";
}

void SimDevice::unplug(SimTime now) {
    m_unplugged = true;
    m_open = false;
    m_queue.clear();
    m_transcript.log(now, "unplug", serial());
}

}  // namespace sim
