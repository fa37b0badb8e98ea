// The decoder, the pairing of responses with requests and the listener's frame splitter, on hand-made frames.
#include <gtest/gtest.h>

#include "pty_slave.hpp"
#include "talvex/crc16.hpp"
#include "talvex/diagnostics/frame_decoder.hpp"
#include "talvex/diagnostics/frame_pairer.hpp"
#include "talvex/diagnostics/frame_splitter.hpp"

namespace talvex::diagnostics {
namespace {

using Bytes = std::vector<std::uint8_t>;

using talvex::test::withCrc;

Bytes badCrc(Bytes b) {
    b = withCrc(std::move(b));
    b.back() ^= 0x5A;
    return b;
}

struct DecodeCase {
    const char* name;
    Bytes frame;
    bool asRequest;
    FrameKind kind;
    std::uint8_t function;
    std::vector<std::uint16_t> values;
    const char* text;
};

TEST(FrameDecoder, EachFunctionTheMasterUsesBothWays) {
    const DecodeCase cases[] = {
        {"read coils", withCrc({1, 1, 0, 19, 0, 37}), true, FrameKind::Request, 1, {}, "read coils 19+37"},
        {"coils answer",
         withCrc({1, 1, 1, 0x05}),
         false,
         FrameKind::Response,
         1,
         {1, 0, 1, 0, 0, 0, 0, 0},
         "8 bits: 1 0 1 0 0 0 0 0"},
        {"read inputs",
         withCrc({1, 2, 0, 196, 0, 22}),
         true,
         FrameKind::Request,
         2,
         {},
         "read discrete inputs 196+22"},
        {"read holding",
         withCrc({1, 3, 0, 0, 0, 15}),
         true,
         FrameKind::Request,
         3,
         {},
         "read holding registers 0+15"},
        {"holding answer",
         withCrc({1, 3, 4, 0, 10, 1, 2}),
         false,
         FrameKind::Response,
         3,
         {10, 258},
         "2 registers: 10 258"},
        {"read input regs",
         withCrc({7, 4, 0, 8, 0, 1}),
         true,
         FrameKind::Request,
         4,
         {},
         "read input registers 8+1"},
        {"write coil",
         withCrc({1, 5, 0, 172, 0xFF, 0}),
         true,
         FrameKind::Request,
         5,
         {1},
         "write single coil 172 = 1"},
        {"write register",
         withCrc({1, 6, 0, 253, 0x03, 0xF2}),
         true,
         FrameKind::Request,
         6,
         {1010},
         "write single register 253 = 1010"},
        {"register echo",
         withCrc({1, 6, 0, 253, 0x03, 0xF2}),
         false,
         FrameKind::Response,
         6,
         {1010},
         "written 253 = 1010"},
        {"write coils",
         withCrc({1, 15, 0, 19, 0, 10, 2, 0xCD, 0x01}),
         true,
         FrameKind::Request,
         15,
         {1, 0, 1, 1, 0, 0, 1, 1, 1, 0},
         "write multiple coils 19+10 = 10 bits: 1 0 1 1 0 0 1 1 ..."},
        {"write registers",
         withCrc({1, 16, 0, 19, 0, 2, 4, 0x3F, 0x80, 0, 0}),
         true,
         FrameKind::Request,
         16,
         {0x3F80, 0},
         "write multiple registers 19+2 = 2 registers: 16256 0"},
        {"registers written",
         withCrc({1, 16, 0, 19, 0, 2}),
         false,
         FrameKind::Response,
         16,
         {},
         "written 19+2"},
        {"bad CRC", badCrc({1, 3, 2, 0, 7}), false, FrameKind::Response, 3, {7}, "1 register: 7, bad CRC"},
        {"byte count past the end",
         withCrc({1, 3, 4, 0, 7}),
         false,
         FrameKind::Unknown,
         3,
         {},
         "read holding registers, unexpected length"},
        {"unknown function",
         withCrc({1, 0x41, 0, 0}),
         true,
         FrameKind::Unknown,
         0x41,
         {},
         "function 0x41, unexpected length"},
        {"no response", {}, false, FrameKind::Empty, 0, {}, "no response"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedFrame d = decodeFrame(c.frame.data(), c.frame.size(), c.asRequest);
        EXPECT_EQ(d.kind, c.kind);
        EXPECT_EQ(d.function, c.function);
        EXPECT_EQ(d.values, c.values);
        EXPECT_EQ(describe(d), c.text);
        if (!c.frame.empty()) {
            EXPECT_EQ(d.slave, c.frame[0]);
        }
    }
}

TEST(FrameDecoder, EveryExceptionCodeHasItsName) {
    const std::pair<std::uint8_t, const char*> names[] = {
        {1, "illegal function"},
        {2, "illegal data address"},
        {3, "illegal data value"},
        {4, "slave device failure"},
        {5, "acknowledge"},
        {6, "slave device busy"},
        {7, "negative acknowledge"},
        {8, "memory parity error"},
        {10, "gateway path unavailable"},
        {11, "gateway target device failed to respond"},
        {12, "exception 0x0C"},
    };
    for (const auto& [code, name] : names) {
        const Bytes frame = withCrc({9, 0x83, code});
        const DecodedFrame d = decodeFrame(frame.data(), frame.size(), false);
        EXPECT_EQ(d.kind, FrameKind::Exception);
        EXPECT_EQ(d.function, 3);
        EXPECT_EQ(d.exceptionCode, code);
        EXPECT_TRUE(d.crcOk);
        EXPECT_EQ(describe(d), "exception " + std::to_string(code) + " (" + name + ")");
    }
}

TEST(FramePairer, PairsByRequestWhenTheDirectionMustBeGuessed) {
    FramePairer pairer(1'000'000);
    const Bytes read = withCrc({1, 3, 0, 0, 0, 1});
    const Bytes answer = withCrc({1, 3, 2, 0, 42});
    const Bytes write = withCrc({2, 6, 0, 253, 0x03, 0xF2});
    const Bytes other = withCrc({5, 3, 2, 0, 1});
    const Bytes exception = withCrc({1, 0x83, 2});
    struct Step {
        std::int64_t us;
        const Bytes* frame;
        bool request;
        PairNote note;
        std::int64_t responseUs;
    };
    const Step steps[] = {
        {0, &read, true, PairNote::None, -1},
        {17'000, &answer, false, PairNote::Paired, 17'000},
        {20'000, &other, false, PairNote::WithoutRequest, -1},  // a response without a request
        {30'000, &write, true, PairNote::None, -1},
        {40'000, &write, false, PairNote::Paired, 10'000},  // the echo is the response
        {50'000, &read, true, PairNote::None, -1},          // unanswered: replaced by the next
        {60'000, &read, true, PairNote::None, -1},
        {1'700'000, &answer, false, PairNote::Late, 1'640'000},     // after the time-out
        {1'800'000, &answer, false, PairNote::WithoutRequest, -1},  // nothing pending any more
        {1'900'000, &read, true, PairNote::None, -1},
        {1'905'000, &exception, false, PairNote::Paired, 5'000},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.us);
        const PairedFrame p = pairer.add(s.us, s.frame->data(), s.frame->size());
        EXPECT_EQ(p.request, s.request);
        EXPECT_EQ(p.note, s.note);
        EXPECT_EQ(p.responseUs, s.responseUs);
    }
}

TEST(FramePairer, KnownDirectionClosesARequestWithAnEmptyResponse) {
    FramePairer pairer;
    const Bytes read = withCrc({1, 3, 0, 0, 0, 1});
    pairer.add(0, read.data(), read.size(), true);
    const PairedFrame none = pairer.add(1'001'000, nullptr, 0, false);
    EXPECT_EQ(none.note, PairNote::Paired);  // the time-out itself is not a late response
    EXPECT_EQ(none.decoded.kind, FrameKind::Empty);
    const Bytes late = withCrc({1, 3, 2, 0, 42});
    EXPECT_EQ(pairer.add(1'002'000, late.data(), late.size(), false).note, PairNote::WithoutRequest);
}

TEST(FrameSplitter, SilenceEndsFramesAndBurstsAreCutAtWholeFrames) {
    EXPECT_EQ(FrameSplitter::silenceFor(9600), 3645);
    EXPECT_EQ(FrameSplitter::silenceFor(115200), 1750);

    const Bytes request = withCrc({1, 3, 0, 0, 0, 2});
    const Bytes answer = withCrc({1, 3, 4, 0, 1, 0, 2});
    FrameSplitter s(2000);
    std::vector<SplitFrame> out;
    // Request in two reads within the silence, then the answer glued to it in the same burst.
    s.feed(request.data(), 3, 0, out);
    s.feed(request.data() + 3, request.size() - 3, 500, out);
    s.feed(answer.data(), answer.size(), 1500, out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(s.deadline(), 3500);
    s.idle(3000, out);
    EXPECT_TRUE(out.empty());
    s.idle(3500, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].bytes, request);
    EXPECT_EQ(out[1].bytes, answer);

    // Noise after a silence stays one piece; bytes after the next silence start a new frame.
    out.clear();
    const Bytes noise{0x00, 0xFF, 0x13};
    s.feed(noise.data(), noise.size(), 10'000, out);
    s.feed(request.data(), request.size(), 13'000, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, noise);
    s.idle(13'100, out, true);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1].bytes, request);
    EXPECT_FALSE(s.deadline());
}

TEST(FrameSplitter, CarvingLeavesACorruptTailWhole) {
    const Bytes request = withCrc({1, 6, 0, 1, 0, 2});
    Bytes burst = request;
    const Bytes broken = badCrc({1, 6, 0, 1, 0, 2});
    burst.insert(burst.end(), broken.begin(), broken.end());
    const auto pieces = FrameSplitter::carve(burst);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0], request);
    EXPECT_EQ(pieces[1], broken);
}

}  // namespace
}  // namespace talvex::diagnostics
