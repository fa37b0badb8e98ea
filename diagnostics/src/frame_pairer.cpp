// A response answers the pending request when slave and function (or its exception form) agree. Without a
// known direction, a frame is a request when it is a whole request with a good CRC and answers nothing.
#include "talvex/diagnostics/frame_pairer.hpp"

#include "talvex/crc16.hpp"

namespace talvex::diagnostics {

bool FramePairer::answers(const Pending& p, const std::uint8_t* b, std::size_t n) const {
    return n >= 2 && b[0] == p.slave && (b[1] & 0x7F) == p.function;
}

PairedFrame FramePairer::add(std::int64_t timeUs, const std::uint8_t* b, std::size_t n,
                             std::optional<bool> isRequest) {
    PairedFrame out;
    out.timeUs = timeUs;
    bool request = false;
    if (isRequest) {
        request = *isRequest;
    } else {
        const bool pendingAnswered = pending_ && answers(*pending_, b, n) && responseLength(b, n) == n;
        request = !pendingAnswered && n > 0 && requestLength(b, n) == n && crcMatches(b, n);
    }
    out.request = request;
    out.decoded = decodeFrame(b, n, request);
    if (request) {
        if (n >= 2) pending_ = Pending{timeUs, b[0], static_cast<std::uint8_t>(b[1] & 0x7F)};
        return out;
    }
    // A response the master saw nothing of (empty) still closes its request.
    if (pending_ && (n == 0 || answers(*pending_, b, n))) {
        out.responseUs = timeUs - pending_->timeUs;
        out.note = n > 0 && out.responseUs > timeoutUs_ ? PairNote::Late : PairNote::Paired;
        pending_.reset();
    } else {
        out.note = PairNote::WithoutRequest;
    }
    return out;
}

}  // namespace talvex::diagnostics
