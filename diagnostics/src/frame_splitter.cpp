#include "talvex/diagnostics/frame_splitter.hpp"

#include <algorithm>

#include "talvex/crc16.hpp"
#include "talvex/diagnostics/frame_decoder.hpp"

namespace talvex::diagnostics {

std::int64_t FrameSplitter::silenceFor(int baud) {
    return std::max<std::int64_t>(1750, 35'000'000LL / std::max(1, baud));
}

void FrameSplitter::feed(const std::uint8_t* bytes, std::size_t length, std::int64_t timeUs,
                         std::vector<SplitFrame>& out) {
    if (length == 0) return;
    if (!burst_.empty() && timeUs - lastUs_ >= silenceUs_) finish(out);
    burst_.insert(burst_.end(), bytes, bytes + length);
    lastUs_ = timeUs;
}

void FrameSplitter::idle(std::int64_t nowUs, std::vector<SplitFrame>& out, bool flush) {
    if (!burst_.empty() && (flush || nowUs - lastUs_ >= silenceUs_)) finish(out);
}

std::optional<std::int64_t> FrameSplitter::deadline() const {
    if (burst_.empty()) return std::nullopt;
    return lastUs_ + silenceUs_;
}

void FrameSplitter::finish(std::vector<SplitFrame>& out) {
    for (auto& piece : carve(burst_)) out.push_back({lastUs_, std::move(piece)});
    burst_.clear();
}

std::vector<std::vector<std::uint8_t>> FrameSplitter::carve(const std::vector<std::uint8_t>& burst) {
    std::vector<std::vector<std::uint8_t>> pieces;
    std::size_t p = 0;
    while (p < burst.size()) {
        const std::uint8_t* b = burst.data() + p;
        const std::size_t rest = burst.size() - p;
        std::size_t cut = rest;
        // The shorter of the two readings first: a write request and its echo have the same length anyway.
        std::size_t candidates[2] = {requestLength(b, rest), responseLength(b, rest)};
        std::sort(std::begin(candidates), std::end(candidates));
        for (const std::size_t len : candidates) {
            if (len >= 4 && len < rest && crcMatches(b, len)) {
                cut = len;
                break;
            }
        }
        pieces.emplace_back(b, b + cut);
        p += cut;
    }
    return pieces;
}

}  // namespace talvex::diagnostics
