// The history read: send the history start, collect the byte stream the sensor answers with and
// parse it into records, until N records have arrived, the sensor falls silent, the port closes or
// the read is stopped. Runs on the link worker under a light hold of the link arbiter; silences are
// measured on the pacer's clock, so tests run it on a fake one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "talvex/acquisition/history_record.hpp"
#include "talvex/pacer.hpp"
#include "talvex/register_io.hpp"

namespace talvex::acquisition {

inline constexpr int kHistoryMaxReadBytes = 16384;
inline constexpr std::int64_t kHistoryFirstByteMs = 15000;  // nothing at all: the sensor sends nothing
inline constexpr std::int64_t kHistoryLastByteMs = 5000;    // silence after the stream: it has ended
inline constexpr std::int64_t kHistoryIdlePauseMs = 10;

struct HistoryReadRequest {
    int slave = 1;
    HistoryFormat format = HistoryFormat::V1;
    std::uint32_t count = 0;               // N; 0 reads until the sensor falls silent
    int readBytes = kHistoryMaxReadBytes;  // per read of the port (see historyReadBytes)
};

enum class HistoryReadEnd {
    Complete,     // N records arrived
    Silence,      // 15 s without any byte, or 5 s after the last one
    Stopped,      // the pacer was cancelled (Stop, disconnect)
    PortClosed,   // the port closed underneath (a read error closes it)
    StartFailed,  // the history start could not be sent
};

struct HistoryReadResult {
    HistoryTable table;
    HistoryReadEnd end = HistoryReadEnd::Silence;
    int startResult = 0;  // RTU result of the history start
    std::uint64_t bytes = 0;
    std::uint64_t dropped = 0;  // damaged records the parser skipped
    // Set when the stream held more records of the other format than of the chosen one: the
    // sensor writes that format, and the operator is told to choose it.
    std::optional<HistoryFormat> otherFormat;
};

// Records so far and N, after every read that brought bytes.
using HistoryProgress = std::function<void(std::size_t records, std::uint32_t requested)>;

HistoryReadResult readHistory(RegisterIo& io, Pacer& pacer, const HistoryReadRequest& request,
                              const HistoryProgress& progress = {});

// Bytes per port read at a baud rate: a read waits up to 100 + m x count ms for its first byte
// (m the port's character time-out), so reads are kept short enough (about 300 ms) for the silence
// rules and Stop to act promptly at every baud rate; at most kHistoryMaxReadBytes.
int historyReadBytes(std::uint32_t baud);

// Progress bar percent for records of N (N = 0: none to show).
int historyPercent(std::size_t records, std::uint32_t requested);

}  // namespace talvex::acquisition
