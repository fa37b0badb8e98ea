// Text, JSON and CSV forms of frames and link statistics for the CLI and the traffic page's export.
// Data, not prose: the field names are fixed English identifiers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "talvex/diagnostics/frame_pairer.hpp"
#include "talvex/diagnostics/link_statistics.hpp"
#include "talvex/diagnostics/traffic_log.hpp"

namespace talvex::diagnostics {

// "2026-12-10 15:04:05.123456" in local time from Unix microseconds.
std::string localTimeText(std::int64_t unixUs);

// One listener line: time, direction, slave, function, what it says, pairing, hex.
std::string frameLine(const PairedFrame& frame, std::int64_t unixUs, const std::vector<std::uint8_t>& bytes);
std::string frameJson(const PairedFrame& frame, std::int64_t unixUs, const std::vector<std::uint8_t>& bytes);

// Decodes a frame of the tap (its direction is known).
DecodedFrame decodeTapFrame(const TrafficFrame& frame);
// CSV of tap frames with a header line: seq,time,us,direction,slave,function,outcome,response_ms,summary,hex
// (time: local, to the millisecond; us: the tap's monotonic microseconds).
std::string framesCsv(const std::vector<TrafficFrame>& frames);

// Column table of the statistics, one slave per line, and the same as one JSON object.
std::string statisticsText(const std::vector<SlaveStatistics>& slaves);
std::string statisticsJson(const std::vector<SlaveStatistics>& slaves);
// "time-out", "exception 2 (illegal data address)" for a slave's last failure; "" when none.
std::string lastFailureText(const SlaveStatistics& s);

}  // namespace talvex::diagnostics
