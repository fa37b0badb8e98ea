// Pairs responses with their requests by slave and function, and times them. Pure: feed frames in the
// order they were on the line; the direction may be known (the master's tap) or guessed (a listener).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "talvex/diagnostics/frame_decoder.hpp"

namespace talvex::diagnostics {

enum class PairNote : std::uint8_t {
    None,            // a request
    Paired,          // a response to the request before it
    WithoutRequest,  // a response no pending request of that slave and function asked for
    Late,            // a response that came after the response time-out of its request
};

struct PairedFrame {
    std::int64_t timeUs = 0;
    bool request = false;
    DecodedFrame decoded;
    PairNote note = PairNote::None;
    std::int64_t responseUs = -1;  // paired and late responses: time since their request
};

class FramePairer {
  public:
    explicit FramePairer(std::int64_t timeoutUs = 1'000'000) : timeoutUs_(timeoutUs) {}

    // isRequest: the known direction, or nullopt to tell it from the bytes and what is pending.
    PairedFrame add(std::int64_t timeUs, const std::uint8_t* bytes, std::size_t length,
                    std::optional<bool> isRequest = std::nullopt);
    void reset() { pending_.reset(); }

  private:
    struct Pending {
        std::int64_t timeUs;
        std::uint8_t slave;
        std::uint8_t function;
    };
    bool answers(const Pending& p, const std::uint8_t* bytes, std::size_t length) const;

    std::int64_t timeoutUs_;
    std::optional<Pending> pending_;
};

}  // namespace talvex::diagnostics
