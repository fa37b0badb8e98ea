// The master's frame tap: every request it sends and every response it receives or discards, with a
// monotonic time stamp and the verdict the master gave it. The master calls its sink only while one is
// set, so a link nobody listens to pays one pointer test per frame.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace talvex {

enum class FrameDirection : std::uint8_t {
    Request = 0,   // sent by the master
    Response = 1,  // received by the master (or nothing, when the slave stayed silent)
};

// Values are shared with the RTU_OUTCOME_* codes of rtu.h.
enum class FrameOutcome : std::uint8_t {
    Sent = 0,           // request handed to the line whole
    SendFailed = 1,     // request not written whole
    Accepted = 2,       // response taken
    Exception = 3,      // exception response taken
    BadCrc = 4,         // discarded: CRC wrong
    WrongSlave = 5,     // discarded: another slave's address
    WrongFunction = 6,  // discarded: another function code
    BadByteCount = 7,   // discarded: byte count does not fit the request
    EchoMismatch = 8,   // discarded: write response is not the expected echo
    NoResponse = 9,     // time-out, nothing arrived (the frame has no bytes)
    Truncated = 10,     // time-out, part of a response arrived
    Late = 11,          // bytes that arrived after their deadline, dropped before the next request
    Stream = 12,        // raw bytes of a history stream
};

struct FrameEvent {
    std::int64_t timeUs = 0;  // monotonic microseconds: request written, or last response byte read
    FrameDirection direction = FrameDirection::Request;
    FrameOutcome outcome = FrameOutcome::Sent;
    bool retry = false;  // a request repeated by the register-read retry
    const std::uint8_t* bytes = nullptr;
    std::size_t length = 0;
};

// Called on the thread that runs the transaction, inside it: must be quick and must not send.
class FrameSink {
  public:
    virtual ~FrameSink() = default;
    virtual void onFrame(const FrameEvent& frame) = 0;
};

// The tap's clock: steady, in microseconds.
inline std::int64_t monotonicMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace talvex
