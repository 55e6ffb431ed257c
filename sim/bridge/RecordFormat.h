#pragma once

// The record convention the simulated boot loader checks and the sample-image generator writes:
// byte 0 is the record type, byte 12 a checksum that makes the 13 bytes sum to 0 modulo 256.
// The protocol never marks the last record, so the device recognises it by its type.

#include <cstddef>
#include <cstdint>
#include <numeric>

namespace sim::record {

inline constexpr std::size_t kSize = 13;
inline constexpr std::size_t kChecksumIndex = 12;
inline constexpr std::uint8_t kData = 0x00;
inline constexpr std::uint8_t kEnd = 0x01;

inline constexpr std::uint8_t kAccepted = 0;
inline constexpr std::uint8_t kRefused = 1;
inline constexpr std::uint8_t kComplete = 254;

// The byte 12 that completes the first 12 bytes of a record.
inline std::uint8_t checksumFor(const std::uint8_t* record) {
    const unsigned sum = std::accumulate(record, record + kChecksumIndex, 0u);
    return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

inline bool checksumHolds(const std::uint8_t* record) {
    return (std::accumulate(record, record + kSize, 0u) & 0xFF) == 0;
}

}  // namespace sim::record
