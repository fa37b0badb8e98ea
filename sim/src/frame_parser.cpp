// Request framing with resynchronisation on junk and corrupted frames.
#include "talvex/sim/frame_parser.hpp"

#include "talvex/crc16.hpp"
#include "talvex/sim/frame_codec.hpp"

namespace talvex::sim {

void FrameParser::feed(const std::uint8_t* data, std::size_t size, TimePoint now) {
    if (size == 0) return;
    buf_.insert(buf_.end(), data, data + size);
    lastByte_ = now;
    // A stream of junk without pause must not grow without bound.
    if (buf_.size() > kMaxBuffer) dropFront(buf_.size() - kMaxBuffer);
}

void FrameParser::dropFront(std::size_t n) {
    buf_.erase(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(n));
    dropped_ += n;
}

std::optional<TimePoint> FrameParser::silenceDeadline() const {
    if (buf_.empty()) return std::nullopt;
    return lastByte_ + silence_;
}

std::optional<std::vector<std::uint8_t>> FrameParser::next(TimePoint now) {
    const bool silent = now - lastByte_ >= silence_;
    while (!buf_.empty()) {
        const int length = expectedRequestLength(buf_.data(), buf_.size());
        if (length > 0) {
            const auto need = static_cast<std::size_t>(length);
            if (buf_.size() < need) {
                if (!silent) return std::nullopt;  // wait for the rest
                dropFront(1);                      // incomplete across a silence: junk
                continue;
            }
            if (crcMatches(buf_.data(), need)) {
                std::vector<std::uint8_t> frame(buf_.begin(), buf_.begin() + length);
                buf_.erase(buf_.begin(), buf_.begin() + length);
                return frame;
            }
            dropFront(1);
            continue;
        }
        if (length == 0) {
            if (!silent) return std::nullopt;
            dropFront(1);
            continue;
        }
        // Unknown function: the frame ends where the line falls silent.
        if (!silent) return std::nullopt;
        if (buf_.size() >= 4 && crcMatches(buf_.data(), buf_.size())) {
            std::vector<std::uint8_t> frame;
            frame.swap(buf_);
            return frame;
        }
        dropFront(1);
    }
    return std::nullopt;
}

}  // namespace talvex::sim
