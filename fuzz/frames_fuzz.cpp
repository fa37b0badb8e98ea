// The passive listener's path: bytes arrive in pieces at times the input chooses, the splitter cuts
// them into frames and each frame is decoded both ways and described. What must hold: no byte is lost,
// invented or reordered; a piece cut out of a burst is a whole frame with a good CRC; the decoder's
// CRC verdict is the CRC's; register values are the frame's bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.hpp"
#include "talvex/crc16.hpp"
#include "talvex/diagnostics/frame_decoder.hpp"
#include "talvex/diagnostics/frame_splitter.hpp"

using namespace talvex;
using namespace talvex::diagnostics;

namespace {

void checkDecoded(const std::vector<std::uint8_t>& frame, bool asRequest) {
    const DecodedFrame f = decodeFrame(frame.data(), frame.size(), asRequest);
    if (frame.empty()) {
        FUZZ_CHECK(f.kind == FrameKind::Empty);
        return;
    }
    FUZZ_CHECK(f.kind != FrameKind::Empty);
    FUZZ_CHECK(f.slave == frame[0]);
    FUZZ_CHECK(f.crcOk == (frame.size() >= 2 && crcMatches(frame.data(), frame.size())));
    if (f.kind == FrameKind::Response && (f.function == 3 || f.function == 4)) {
        FUZZ_CHECK(frame.size() == 5u + frame[2] && f.values.size() == frame[2] / 2u);
        for (std::size_t i = 0; i < f.values.size(); ++i)
            FUZZ_CHECK(f.values[i] == ((frame[3 + 2 * i] << 8) | frame[4 + 2 * i]));
    }
    if (f.kind == FrameKind::Exception) FUZZ_CHECK(frame.size() == 5 && f.exceptionCode == frame[2]);
    if (f.kind == FrameKind::Request || f.kind == FrameKind::Response || f.kind == FrameKind::Exception) {
        FUZZ_CHECK(requestLength(frame.data(), frame.size()) == frame.size() ||
                   responseLength(frame.data(), frame.size()) == frame.size());
    }
    const std::string text = describe(f);
    FUZZ_CHECK(!text.empty());
    FUZZ_CHECK(hexBytes(frame.data(), frame.size()).size() == frame.size() * 3 - 1);
}

}  // namespace

// Input: a sequence of pieces, each a header byte (low 5 bits: length; high 3 bits: the pause before
// it in units of 500 us) followed by its bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FrameSplitter splitter(FrameSplitter::silenceFor(19200));
    std::vector<SplitFrame> frames;
    std::vector<std::uint8_t> sent;
    std::int64_t now = 0;
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t header = data[i++];
        const std::size_t length = std::min<std::size_t>(header & 0x1F, size - i);
        now += 500 * (header >> 5);
        splitter.idle(now, frames);
        splitter.feed(data + i, length, now, frames);
        sent.insert(sent.end(), data + i, data + i + length);
        i += length;
    }
    splitter.idle(now, frames, true);
    FUZZ_CHECK(!splitter.deadline());

    std::vector<std::uint8_t> joined;
    std::int64_t last = 0;
    for (const SplitFrame& f : frames) {
        FUZZ_CHECK(!f.bytes.empty());
        FUZZ_CHECK(f.timeUs >= last);
        last = f.timeUs;
        joined.insert(joined.end(), f.bytes.begin(), f.bytes.end());
        checkDecoded(f.bytes, true);
        checkDecoded(f.bytes, false);
    }
    FUZZ_CHECK(joined == sent);

    // The whole input as one burst: every piece but the last is a frame with a good CRC.
    const std::vector<std::uint8_t> burst(data, data + size);
    const auto pieces = FrameSplitter::carve(burst);
    std::vector<std::uint8_t> again;
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        if (k + 1 < pieces.size())
            FUZZ_CHECK(pieces[k].size() >= 4 && crcMatches(pieces[k].data(), pieces[k].size()));
        again.insert(again.end(), pieces[k].begin(), pieces[k].end());
    }
    FUZZ_CHECK(again == burst);
    return 0;
}
