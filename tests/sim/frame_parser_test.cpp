// Request framing: lengths from the function code, resynchronisation on junk, corrupted frames
// and frames cut off by a silence.
#include <gtest/gtest.h>

#include "sim_test_util.hpp"
#include "talvex/sim/frame_codec.hpp"
#include "talvex/sim/frame_parser.hpp"

using namespace simtest;
using talvex::sim::FrameParser;

namespace {

constexpr auto kSilence = std::chrono::microseconds(1750);

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes corrupted(Bytes b) {
    b.back() ^= 0xFF;
    return b;
}

// A request of a function the simulator does not serve and whose layout it cannot know.
Bytes unknownFunction() {
    return withCrc({1, 0x2B, 0x0E, 0x01, 0x00});
}

struct Chunk {
    Bytes bytes;
    bool pauseAfter;  // the line falls silent after this chunk
};

struct ParserCase {
    const char* name;
    std::vector<Chunk> chunks;
    std::vector<Bytes> frames;
};

std::vector<Bytes> run(const std::vector<Chunk>& chunks) {
    FrameParser parser(kSilence);
    TimePoint t = TimePoint{} + std::chrono::seconds(10);
    std::vector<Bytes> frames;
    for (const auto& c : chunks) {
        parser.feed(c.bytes.data(), c.bytes.size(), t);
        while (auto f = parser.next(t)) frames.push_back(*f);
        if (c.pauseAfter) {
            t += std::chrono::milliseconds(5);
            while (auto f = parser.next(t)) frames.push_back(*f);
        }
    }
    return frames;
}

}  // namespace

TEST(FrameParser, CutsAndResynchronises) {
    const Bytes read = readRequest(1, 0, 15);
    const Bytes write = writeRequest(2, 150, 9);
    const Bytes many = writeManyRequest(200, 2053, {3, 0x0D40});
    const std::vector<ParserCase> cases = {
        {"clean read", {{read, true}}, {read}},
        {"two frames in one chunk", {{concat({read, write}), true}}, {read, write}},
        {"function 16 framed by its byte count", {{many, true}}, {many}},
        {"frame split over chunks",
         {{Bytes(read.begin(), read.begin() + 3), false}, {Bytes(read.begin() + 3, read.end()), true}},
         {read}},
        {"junk before a frame", {{concat({{0xFF, 0x00, 0x13}, read}), true}}, {read}},
        {"bad CRC then a good frame", {{concat({corrupted(read), write}), true}}, {write}},
        {"partial frame dropped at the silence",
         {{Bytes(read.begin(), read.begin() + 5), true}, {write, true}},
         {write}},
        {"unknown function recognised after the silence", {{unknownFunction(), true}}, {unknownFunction()}},
        {"only junk", {{{0x01, 0x2B, 0x99, 0x98, 0x97}, true}}, {}},
        {"noise bytes of every value",
         {{[] {
               Bytes b;
               for (int i = 0; i < 256; ++i) b.push_back(static_cast<std::uint8_t>(i * 7));
               return b;
           }(),
           true},
          {read, true}},
         {read}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(run(c.chunks), c.frames);
    }
}

TEST(FrameParser, WaitsForTheRestOfAFrameWithinTheSilence) {
    FrameParser parser(kSilence);
    const Bytes read = readRequest(1, 0, 15);
    const TimePoint t = TimePoint{} + std::chrono::seconds(1);
    parser.feed(read.data(), 6, t);
    EXPECT_FALSE(parser.next(t + std::chrono::microseconds(500)));
    parser.feed(read.data() + 6, 2, t + std::chrono::microseconds(600));
    EXPECT_EQ(parser.next(t + std::chrono::microseconds(700)), read);
}

TEST(FrameCodec, RequestLengthFromFunctionCode) {
    struct Case {
        Bytes head;
        int length;
    };
    const std::vector<Case> cases = {
        {{1}, 0},  // function not yet known
        {{1, 3}, 8},
        {{1, 6}, 8},
        {{1, 1}, 8},
        {{1, 5}, 8},
        {{1, 16, 0, 19, 0}, 0},         // byte count not yet in
        {{1, 16, 0, 19, 0, 4, 8}, 17},  // 9 + byte count
        {{1, 15, 0, 0, 0, 9, 2}, 11},
        {{1, 0x2B}, -1},
        {{1, 0x83}, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(talvex::sim::expectedRequestLength(c.head.data(), c.head.size()), c.length);
}
