#pragma once

// The simulated devices and their faults, read from the small text file that
// TARVELLON_SIM_CONFIG names (format: sim/README.md). Texts are kept as device bytes, one byte per
// character (Latin-1), so "µ" is the byte 0xB5.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sim {

// [from, until) in milliseconds after the configuration was written, and the location the unit is
// plugged in at, when not its own.
struct PlugWindow {
    double from = 0;
    double until = 0;
    std::optional<std::uint32_t> location;
};

struct DeviceConfig {
    std::string serial;
    // The library's location id of the USB socket the unit is plugged into.
    std::uint32_t location = 0;
    bool bootAtOpen = false;
    std::string key = "\xB5TARVEL0";
    int latencyMs = 16;
    int lowestLatencyMs = 2;  // the lowest latency timer the bridge accepts
    int baud = 0;             // 0: no wire time; else ten bits a byte at this rate, both ways
    double programMs = 1.0;
    // Faults; record numbers count from 1 after "monitor", 0 means none.
    bool openFails = false;
    std::string identity = "id \xB5Tarvellon";
    std::optional<std::string> runLevelReply;
    bool crlf = false;
    std::optional<std::string> banner;
    int refuseRecord = 0;
    std::optional<std::string> silentFromCommand;
    int silentFromRecord = 0;
    int unplugAtRecord = 0;
    std::optional<std::string> unplugMidReply;
    std::optional<std::string> floodCommand;
    int floodBytes = 5000;
    // The bridge signals the host when bytes arrive, if asked (FT_SetEventNotification).
    bool notifies = true;
    // When the unit is plugged in. Empty: attached all the time.
    std::vector<PlugWindow> plugged;
};

struct Config {
    std::string transcriptPath;
    std::vector<DeviceConfig> devices;
    // The file's modification time (the load time for the default), so that every process that
    // reads one file sees the same units come and go at the same moments.
    std::chrono::system_clock::time_point writtenAt = std::chrono::system_clock::now();
};

struct ConfigResult {
    Config config;
    int errorLine = 0;  // 0 when the text was accepted
    std::string error;
};

ConfigResult parseConfig(const std::string& text);
// The configuration used when TARVELLON_SIM_CONFIG is not set.
const char* defaultConfigText();
// Reads the file the environment names, or the default; errorLine -1 when it cannot be read.
ConfigResult loadConfig();

}  // namespace sim
