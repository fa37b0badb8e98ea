// The sensor's history registers as one table, shared by the history operations, the CLI and the
// simulator: what the sensor is told before it sends its records, and where it keeps its count.
#pragma once

#include <cstdint>

namespace talvex::sensor::history {

inline constexpr std::uint16_t kRequestedCountHigh = 99;  // write: records to send, high 16 bits
inline constexpr std::uint16_t kRequestedCountLow = 100;  // write: low 16 bits
inline constexpr std::uint16_t kStart = 101;              // write kStartCommand: the stream follows
inline constexpr std::uint16_t kStartCommand = 1001;
inline constexpr std::uint16_t kStoredCount = 102;  // read 2: records held, high half first
inline constexpr std::uint16_t kStoredCountRegisters = 2;
inline constexpr std::uint16_t kStorageInterval = 157;  // write: minutes between records

// Record framing of the stream.
inline constexpr std::uint8_t kStartMarker = 0x5A;
inline constexpr std::uint8_t kV2Tag = 0x19;  // second byte of every 28-byte record
inline constexpr std::uint8_t kEndMarker = 0xA5;
inline constexpr int kV1RecordSize = 19;
inline constexpr int kV2RecordSize = 28;

}  // namespace talvex::sensor::history
