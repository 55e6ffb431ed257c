// Parsing of the simulator's configuration file: one "name = value" setting a line, each
// "device = SERIAL" line opening a new device.

#include "SimConfig.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace sim {
namespace {

constexpr const char* kDefaultConfig =
    "device = TARV0001\n"
    "runlevel = app\n"
    "key = \xC2\xB5TARVEL0\n"
    "device = TARV0002\n"
    "runlevel = boot\n"
    "key = \xC2\xB5TARVEL2\n";

// As the vendor's library numbers a socket on a hub: bus 1, then the port at each level.
constexpr std::uint32_t kFirstLocation = 0x1141;

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The file is UTF-8; device texts are one byte per character, so U+0080 to U+00FF become the
// bytes 0x80 to 0xFF. Any other byte is taken as it stands.
std::string toDeviceBytes(const std::string& utf8) {
    std::string bytes;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const bool latin1Pair = (lead == 0xC2 || lead == 0xC3) && i + 1 < utf8.size() &&
                                (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80;
        if (latin1Pair) {
            bytes += static_cast<char>(((lead & 0x03) << 6) | (utf8[i + 1] & 0x3F));
            ++i;
        } else {
            bytes += utf8[i];
        }
    }
    return bytes;
}

// A value in double quotes keeps its outer spaces ("reset " is a command of its own).
std::string unquote(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

bool toInt(const std::string& text, int low, int high, int& out) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return false;
    }
    out = value;
    return true;
}

bool toMs(const std::string& text, double& out) {
    std::istringstream in(text);
    double value = 0;
    if (!(in >> value) || !in.eof() || value < 0) {
        return false;
    }
    out = value;
    return true;
}

// "0x1142" or "4418".
bool toLocation(const std::string& text, std::uint32_t& out) {
    const bool hex = text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0;
    const char* first = text.data() + (hex ? 2 : 0);
    const char* last = text.data() + text.size();
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value, hex ? 16 : 10);
    if (error != std::errc() || end != last || first == last) {
        return false;
    }
    out = value;
    return true;
}

// "0-2000, 5000-@0x1143": windows in milliseconds, each with the location it plugs the unit in at
// where it is not the unit's own; an open end means for ever.
bool toWindows(const std::string& text, std::vector<PlugWindow>& out) {
    std::vector<PlugWindow> windows;
    std::istringstream in(text);
    std::string window;
    while (std::getline(in, window, ',')) {
        PlugWindow plug{0, 1e300, std::nullopt};
        const auto at = window.find('@');
        if (at != std::string::npos) {
            std::uint32_t location = 0;
            if (!toLocation(trim(window.substr(at + 1)), location)) {
                return false;
            }
            plug.location = location;
            window.erase(at);
        }
        const auto dash = window.find('-');
        const std::string end = dash == std::string::npos ? "" : trim(window.substr(dash + 1));
        if (dash == std::string::npos || !toMs(trim(window.substr(0, dash)), plug.from) ||
            (!end.empty() && (!toMs(end, plug.until) || plug.until <= plug.from))) {
            return false;
        }
        windows.push_back(plug);
    }
    out = std::move(windows);
    return !out.empty();
}

bool choose(const std::string& text, const char* yes, const char* no, bool& out) {
    if (text != yes && text != no) {
        return false;
    }
    out = text == yes;
    return true;
}

using Setter = std::function<bool(DeviceConfig&, const std::string&)>;

// A setting whose value is taken as it stands.
template <typename Field>
Setter verbatim(Field DeviceConfig::*field) {
    return [field](DeviceConfig& device, const std::string& value) {
        device.*field = value;
        return true;
    };
}

const std::map<std::string, Setter>& deviceSettings() {
    static const std::map<std::string, Setter> settings = {
        {"runlevel", [](auto& d, auto& v) { return choose(v, "boot", "app", d.bootAtOpen); }},
        {"key", verbatim(&DeviceConfig::key)},
        {"location", [](auto& d, auto& v) { return toLocation(v, d.location); }},
        {"latency_ms", [](auto& d, auto& v) { return toInt(v, 0, 255, d.latencyMs); }},
        {"latency_min_ms", [](auto& d, auto& v) { return toInt(v, 1, 256, d.lowestLatencyMs); }},
        {"baud", [](auto& d, auto& v) { return toInt(v, 0, 12'000'000, d.baud); }},
        {"program_ms", [](auto& d, auto& v) { return toMs(v, d.programMs); }},
        {"open", [](auto& d, auto& v) { return choose(v, "fails", "works", d.openFails); }},
        {"identity", verbatim(&DeviceConfig::identity)},
        {"runlevel_reply", verbatim(&DeviceConfig::runLevelReply)},
        {"line_end", [](auto& d, auto& v) { return choose(v, "crlf", "lf", d.crlf); }},
        {"banner", verbatim(&DeviceConfig::banner)},
        {"refuse_record", [](auto& d, auto& v) { return toInt(v, 1, 1 << 30, d.refuseRecord); }},
        {"silent_from_command", verbatim(&DeviceConfig::silentFromCommand)},
        {"silent_from_record",
         [](auto& d, auto& v) { return toInt(v, 1, 1 << 30, d.silentFromRecord); }},
        {"unplug_at_record",
         [](auto& d, auto& v) { return toInt(v, 1, 1 << 30, d.unplugAtRecord); }},
        {"unplug_mid_reply", verbatim(&DeviceConfig::unplugMidReply)},
        {"flood_command", verbatim(&DeviceConfig::floodCommand)},
        {"flood_bytes", [](auto& d, auto& v) { return toInt(v, 1, 1 << 24, d.floodBytes); }},
        {"notification", [](auto& d, auto& v) { return choose(v, "rxchar", "none", d.notifies); }},
        {"plugged", [](auto& d, auto& v) { return toWindows(v, d.plugged); }},
    };
    return settings;
}

std::string applySetting(Config& config, const std::string& name, const std::string& value) {
    if (name == "device") {
        if (value.empty() || value.size() > 16 || value.find_first_of(" \t") != std::string::npos) {
            return "a serial number has 1 to 16 characters and no spaces";
        }
        for (const DeviceConfig& device : config.devices) {
            if (device.serial == value) {
                return "serial number " + value + " is given twice";
            }
        }
        config.devices.push_back({});
        config.devices.back().serial = value;
        // Each unit in a socket of its own unless told otherwise.
        config.devices.back().location = kFirstLocation + std::uint32_t(config.devices.size() - 1);
        return {};
    }
    if (name == "transcript") {
        config.transcriptPath = value;
        return {};
    }
    const auto setting = deviceSettings().find(name);
    if (setting == deviceSettings().end()) {
        return "unknown setting '" + name + "'";
    }
    if (config.devices.empty()) {
        return "'" + name + "' comes before the first 'device' line";
    }
    if (!setting->second(config.devices.back(), value)) {
        return "bad value '" + value + "' for '" + name + "'";
    }
    return {};
}

}  // namespace

ConfigResult parseConfig(const std::string& text) {
    ConfigResult result;
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string content = trim(line);
        if (content.empty() || content.front() == '#') {
            continue;
        }
        const auto equals = content.find('=');
        std::string error = "expected 'name = value'";
        if (equals != std::string::npos) {
            const std::string name = trim(content.substr(0, equals));
            const std::string value = unquote(trim(content.substr(equals + 1)));
            error = applySetting(result.config, name,
                                 name == "transcript" ? value : toDeviceBytes(value));
        }
        if (!error.empty()) {
            result.errorLine = number;
            result.error = error;
            return result;
        }
    }
    return result;
}

const char* defaultConfigText() {
    return kDefaultConfig;
}

ConfigResult loadConfig() {
    const char* path = std::getenv("TARVELLON_SIM_CONFIG");
    if (path == nullptr || *path == '\0') {
        return parseConfig(kDefaultConfig);
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        ConfigResult result;
        result.errorLine = -1;
        result.error = std::string("cannot read ") + path;
        return result;
    }
    std::ostringstream text;
    text << file.rdbuf();
    ConfigResult result = parseConfig(text.str());
    std::error_code error;
    const auto written = std::filesystem::last_write_time(path, error);
    if (!error) {
        result.config.writtenAt = std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(written));
    }
    return result;
}

}  // namespace sim
