#pragma once

// A line-per-event record of what crossed the simulated wire, for tests to check exact bytes and
// timing. Each line goes out in one write(2) with no buffer of its own, so a program that ends
// with _exit loses nothing, and several processes can append to one file.

#include <cstddef>
#include <cstdint>
#include <string>

#include "SimClock.h"

namespace sim {

class Transcript {
  public:
    Transcript() = default;
    Transcript(const Transcript&) = delete;
    Transcript& operator=(const Transcript&) = delete;
    ~Transcript() { close(); }

    // An empty path turns the transcript off.
    void open(const std::string& path);
    void close();

    // "<microseconds> <event> <serial> <bytes in hex>"; the serial is "-" where none applies.
    void log(SimTime at, const char* event, const std::string& serial,
             const std::string& bytes = {});
    void log(SimTime at, const char* event, const std::string& serial, const std::uint8_t* bytes,
             std::size_t count);

  private:
    int m_fd = -1;
};

}  // namespace sim
