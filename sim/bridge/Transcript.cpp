// Appends transcript lines straight to the file descriptor.

#include "Transcript.h"

#include <fcntl.h>

#include <cstdio>

#ifdef _WIN32
#include <io.h>
// Bytes as they are: no line-feed translation.
constexpr int kOpenFlags = O_WRONLY | O_CREAT | O_APPEND | O_BINARY;
#else
#include <unistd.h>
constexpr int kOpenFlags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC;
#endif

namespace sim {

void Transcript::open(const std::string& path) {
    close();
    if (!path.empty()) {
        m_fd = ::open(path.c_str(), kOpenFlags, 0644);
    }
}

void Transcript::close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void Transcript::log(SimTime at, const char* event, const std::string& serial,
                     const std::string& bytes) {
    log(at, event, serial, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

void Transcript::log(SimTime at, const char* event, const std::string& serial,
                     const std::uint8_t* bytes, std::size_t count) {
    if (m_fd < 0) {
        return;
    }
    const auto us =
        std::chrono::duration_cast<std::chrono::microseconds>(at.time_since_epoch()).count();
    char head[64];
    std::string line(head, std::snprintf(head, sizeof head, "%lld ", static_cast<long long>(us)));
    line += event;
    line += ' ';
    line += serial.empty() ? "-" : serial;
    for (std::size_t i = 0; i < count; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", bytes[i]);
        line += hex;
    }
    line += '\n';
    // One write per line: appends from several processes never interleave within a line.
    [[maybe_unused]] const auto written = ::write(m_fd, line.data(), line.size());
}

}  // namespace sim
