// tarvellon-pty-bridge: the simulated device behind the far end of a pseudo-terminal, so that the
// command line's path through the kernel's serial driver runs without a bridge attached. It serves
// the first device of the simulator's configuration (TARVELLON_SIM_CONFIG, else the default) and
// appends to the same transcript. On stdout: the path to open, then "open", the line settings the
// host applied ("line 9600 8N1 flow none raw") with its first write, and "close". An unplug closes
// the pseudo-terminal and ends the program.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "SimConfig.h"
#include "SimDevice.h"
#include "Transcript.h"

namespace {

using sim::SimClock;
using sim::SimTime;

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::string baudOf(speed_t speed) {
    static const std::map<speed_t, const char*> bauds = {
        {B1200, "1200"},   {B2400, "2400"},   {B4800, "4800"},   {B9600, "9600"},
        {B19200, "19200"}, {B38400, "38400"}, {B57600, "57600"}, {B115200, "115200"}};
    const auto found = bauds.find(speed);
    return found == bauds.end() ? "other" : found->second;
}

char dataBitsOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return '5';
        case CS6:
            return '6';
        case CS7:
            return '7';
        default:
            return '8';
    }
}

// The master reports the terminal settings of its far end, which the host set.
std::string lineSettings(int master) {
    termios settings{};
    if (::tcgetattr(master, &settings) != 0) {
        return "line unknown";
    }
    const tcflag_t cflag = settings.c_cflag;
    const char parity = (cflag & PARENB) == 0 ? 'N' : (cflag & PARODD) != 0 ? 'O' : 'E';
    const char* flow = (cflag & CRTSCTS) != 0                     ? "rtscts"
                       : (settings.c_iflag & (IXON | IXOFF)) != 0 ? "xonxoff"
                                                                  : "none";
    // Anything that rewrites or swallows bytes would corrupt the binary records.
    const bool raw = (settings.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) == 0 &&
                     (settings.c_oflag & OPOST) == 0 &&
                     (settings.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | PARMRK)) == 0;
    return "line " + baudOf(cfgetospeed(&settings)) + " " + dataBitsOf(cflag) + parity +
           ((cflag & CSTOPB) != 0 ? "2" : "1") + " flow " + flow + (raw ? " raw" : " cooked");
}

// Waits for the host's bytes, its open or close, or until `due`; for ever when nothing is due.
short waitForHost(int master, const std::optional<SimTime>& due) {
    pollfd ready{master, POLLIN, 0};
    timespec left{};
    if (due) {
        const auto ns =
            std::chrono::duration_cast<std::chrono::nanoseconds>(*due - SimClock::now());
        const std::int64_t count = std::max<std::int64_t>(ns.count(), 0);
        left = {static_cast<time_t>(count / 1000000000), static_cast<long>(count % 1000000000)};
    }
    return ::ppoll(&ready, 1, due ? &left : nullptr, nullptr) > 0 ? ready.revents : 0;
}

}  // namespace

int main() {
    const sim::ConfigResult config = sim::loadConfig();
    if (config.errorLine != 0 || config.config.devices.empty()) {
        std::fprintf(stderr, "tarvellon-pty-bridge: %s\n",
                     config.errorLine != 0 ? config.error.c_str() : "no device configured");
        return 2;
    }
    sim::Transcript transcript;
    transcript.open(config.config.transcriptPath);
    sim::SimDevice device(config.config.devices.front(), transcript);

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("tarvellon-pty-bridge: pseudo-terminal");
        return 2;
    }
    const std::string path = ::ptsname(master);
    // Once its far end has been opened and closed, the master reports a hang-up for as long as no
    // one holds it open: that is how the host's open and close are seen.
    ::close(::open(path.c_str(), O_RDWR | O_NOCTTY));
    say(path);

    bool hostOpen = false;
    bool settingsShown = false;
    for (;;) {
        const short events = waitForHost(master, device.nextDeliveryAt());
        const SimTime now = SimClock::now();
        const bool hungUp = (events & POLLHUP) != 0;
        const bool bytesIn = (events & POLLIN) != 0;
        if ((bytesIn || !hungUp) && !hostOpen) {
            hostOpen = true;
            settingsShown = false;
            device.open();
            transcript.log(now, "open", device.serial());
            say("open");
        }
        if (bytesIn) {
            std::uint8_t bytes[4096];
            const ssize_t count = ::read(master, bytes, sizeof bytes);
            if (count > 0) {
                if (!settingsShown) say(lineSettings(master));
                settingsShown = true;
                transcript.log(now, "write", device.serial(), bytes, std::size_t(count));
                device.receive(bytes, std::size_t(count), now);
            }
        } else if (hungUp && hostOpen) {
            hostOpen = false;
            device.close();
            transcript.log(now, "close", device.serial());
            say("close");
        } else if (hungUp) {
            // The hang-up stays reported until the host opens the port: look again shortly.
            ::usleep(500);
        }
        device.advance(now);
        if (device.unplugged()) {
            ::close(master);
            return 0;
        }
        if (const std::size_t waiting = device.available(); waiting > 0) {
            std::string bytes(waiting, '\0');
            device.read(reinterpret_cast<std::uint8_t*>(bytes.data()), waiting);
            // A closed port loses what the device sends. Written to the pseudo-terminal, it would
            // come back as the host's bytes wherever the host left its echo on.
            transcript.log(now, hostOpen ? "read" : "lost", device.serial(), bytes);
            if (!hostOpen) continue;
            if (::write(master, bytes.data(), bytes.size()) < 0) return 2;
        }
    }
}
