// A response counts against the slave its request addressed, whatever address the response carries.
#include "talvex/diagnostics/link_statistics.hpp"

#include <algorithm>
#include <chrono>

namespace talvex::diagnostics {
namespace {

std::int64_t unixMsNow() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

std::uint64_t SlaveStatistics::failures() const {
    std::uint64_t n = timeouts + crcErrors + otherErrors;
    for (const auto& [code, count] : exceptions) n += count;
    return n;
}

const char* outcomeName(FrameOutcome outcome) {
    switch (outcome) {
        case FrameOutcome::Sent:
            return "sent";
        case FrameOutcome::SendFailed:
            return "send failed";
        case FrameOutcome::Accepted:
            return "answer";
        case FrameOutcome::Exception:
            return "exception";
        case FrameOutcome::BadCrc:
            return "CRC error";
        case FrameOutcome::WrongSlave:
            return "wrong slave";
        case FrameOutcome::WrongFunction:
            return "wrong function";
        case FrameOutcome::BadByteCount:
            return "wrong byte count";
        case FrameOutcome::EchoMismatch:
            return "echo mismatch";
        case FrameOutcome::NoResponse:
            return "time-out";
        case FrameOutcome::Truncated:
            return "truncated";
        case FrameOutcome::Late:
            return "late";
        case FrameOutcome::Stream:
            return "stream";
    }
    return "?";
}

void LinkStatistics::fail(Entry& e, FrameOutcome outcome, std::uint8_t exception, std::int64_t timeUs,
                          std::int64_t unixMs) {
    e.figures.lastFailure = outcome;
    e.figures.lastFailureException = exception;
    e.figures.lastFailureUs = timeUs;
    e.figures.lastFailureUnixMs = unixMs != 0 ? unixMs : unixMsNow();
}

void LinkStatistics::onFrame(const FrameEvent& f, std::int64_t unixMs) {
    std::lock_guard lock(mutex_);
    if (f.direction == FrameDirection::Request) {
        if (f.length == 0) return;
        const std::uint8_t id = f.bytes[0];
        Entry& e = slaves_[id];
        e.figures.slave = id;
        ++e.figures.requests;
        if (f.retry) ++e.figures.retries;
        if (f.outcome == FrameOutcome::SendFailed) {
            ++e.figures.otherErrors;
            fail(e, f.outcome, 0, f.timeUs, unixMs);
            pendingSlave_.reset();
            return;
        }
        pendingSlave_ = id;
        pendingUs_ = f.timeUs;
        return;
    }
    // Late and stream bytes belong to no exchange of their own.
    if (f.outcome == FrameOutcome::Late || f.outcome == FrameOutcome::Stream || !pendingSlave_) return;
    Entry& e = slaves_[*pendingSlave_];
    pendingSlave_.reset();
    switch (f.outcome) {
        case FrameOutcome::Accepted:
        case FrameOutcome::Exception: {
            ++e.figures.answers;
            const std::int64_t us = std::max<std::int64_t>(0, f.timeUs - pendingUs_);
            e.times.push_back(us);
            if (e.times.size() > kTimeSamples) e.times.pop_front();
            e.figures.minUs = std::min(e.figures.minUs.value_or(us), us);
            if (f.outcome == FrameOutcome::Exception) {
                const std::uint8_t code = f.length >= 3 ? f.bytes[2] : 0;
                ++e.figures.exceptions[code];
                fail(e, f.outcome, code, f.timeUs, unixMs);
            }
            break;
        }
        case FrameOutcome::BadCrc:
            ++e.figures.crcErrors;
            fail(e, f.outcome, 0, f.timeUs, unixMs);
            break;
        case FrameOutcome::NoResponse:
        case FrameOutcome::Truncated:
            ++e.figures.timeouts;
            fail(e, f.outcome, 0, f.timeUs, unixMs);
            break;
        default:
            ++e.figures.otherErrors;
            fail(e, f.outcome, 0, f.timeUs, unixMs);
            break;
    }
}

SlaveStatistics LinkStatistics::summarise(const Entry& e) const {
    SlaveStatistics s = e.figures;
    if (!e.times.empty()) {
        std::vector<std::int64_t> t(e.times.begin(), e.times.end());
        std::sort(t.begin(), t.end());
        s.medianUs = t[t.size() / 2];
        s.p99Us = t[(t.size() * 99 + 99) / 100 - 1];  // nearest rank
    }
    return s;
}

std::vector<SlaveStatistics> LinkStatistics::all() const {
    std::lock_guard lock(mutex_);
    std::vector<SlaveStatistics> out;
    for (const auto& [id, e] : slaves_) out.push_back(summarise(e));
    return out;
}

std::optional<SlaveStatistics> LinkStatistics::slave(std::uint8_t id) const {
    std::lock_guard lock(mutex_);
    const auto it = slaves_.find(id);
    if (it == slaves_.end()) return std::nullopt;
    return summarise(it->second);
}

void LinkStatistics::clear() {
    std::lock_guard lock(mutex_);
    slaves_.clear();
    pendingSlave_.reset();
}

}  // namespace talvex::diagnostics
