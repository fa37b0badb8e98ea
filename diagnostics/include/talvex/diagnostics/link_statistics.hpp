// Per-slave figures of the master's traffic, fed with the frames of the tap: requests, answers, time-outs,
// CRC errors, exceptions by code, retries, response times and the last failure. Thread-safe.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "talvex/frame_tap.hpp"

namespace talvex::diagnostics {

struct SlaveStatistics {
    std::uint8_t slave = 0;
    std::uint64_t requests = 0;  // every request sent, retries included
    std::uint64_t retries = 0;   // requests repeated by the register-read retry
    std::uint64_t answers = 0;   // responses taken, exceptions included
    std::uint64_t timeouts = 0;  // nothing, or only part of a response, arrived in time
    std::uint64_t crcErrors = 0;
    std::uint64_t otherErrors = 0;  // wrong slave, function, byte count or echo; send failures
    std::map<std::uint8_t, std::uint64_t> exceptions;  // by exception code
    // Response times of answers, microseconds; no value before the first answer.
    std::optional<std::int64_t> minUs;
    std::optional<std::int64_t> medianUs;
    std::optional<std::int64_t> p99Us;
    // The last failed exchange: its verdict, its tap time and when it happened by the wall clock.
    std::optional<FrameOutcome> lastFailure;
    std::uint8_t lastFailureException = 0;  // the code when lastFailure is Exception
    std::int64_t lastFailureUs = 0;
    std::int64_t lastFailureUnixMs = 0;

    std::uint64_t failures() const;
};

class LinkStatistics {
  public:
    // Newest response times kept per slave for the median and the 99th percentile.
    static constexpr std::size_t kTimeSamples = 10'000;

    // A frame of the tap, in line order. unixMs: wall-clock time of the frame (0: now).
    void onFrame(const FrameEvent& frame, std::int64_t unixMs = 0);
    std::vector<SlaveStatistics> all() const;  // by slave address
    std::optional<SlaveStatistics> slave(std::uint8_t id) const;
    void clear();

  private:
    struct Entry {
        SlaveStatistics figures;
        std::deque<std::int64_t> times;
    };
    SlaveStatistics summarise(const Entry& e) const;
    void fail(Entry& e, FrameOutcome outcome, std::uint8_t exception, std::int64_t timeUs,
              std::int64_t unixMs);

    mutable std::mutex mutex_;  // guards everything below
    std::map<std::uint8_t, Entry> slaves_;
    std::optional<std::uint8_t> pendingSlave_;  // slave of the request awaiting its response
    std::int64_t pendingUs_ = 0;
};

// "CRC error", "time-out", ... (English, for the CLI).
const char* outcomeName(FrameOutcome outcome);

}  // namespace talvex::diagnostics
