// The master's frame tap against a scripted slave on a pseudo-terminal: every request and every response,
// taken or discarded, reaches the sink with the master's verdict and the bytes as they were on the line.
#include <gtest/gtest.h>

#include "pty_slave.hpp"
#include "talvex/frame_tap.hpp"
#include "talvex/modbus.hpp"
#include "talvex/rtu.h"

namespace {

using talvex::CModbus;
using talvex::FrameDirection;
using talvex::FrameOutcome;
using namespace talvex::test;

struct Seen {
    FrameDirection direction;
    FrameOutcome outcome;
    bool retry;
    Bytes bytes;
    std::int64_t timeUs;
};

class RecordingSink : public talvex::FrameSink {
  public:
    void onFrame(const talvex::FrameEvent& e) override {
        frames.push_back({e.direction, e.outcome, e.retry, Bytes(e.bytes, e.bytes + e.length), e.timeUs});
    }
    std::vector<Seen> frames;
};

class TapOnPty : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(master_.Open(pty_.slavePath().c_str(), 19200, 8, 0, 0), 1);
        master_.setFrameSink(&sink_);
    }
    PtyPair pty_;
    ScriptedSlave slave_{pty_.masterFd(), registerBank(1)};
    CModbus master_;
    RecordingSink sink_;
};

TEST_F(TapOnPty, EveryResponseCarriesTheMastersVerdict) {
    const Bytes good = registersReply(1, 3, {1000, 1001});
    Bytes badCrc = good;
    badCrc[7] ^= 0xFF;
    const struct {
        const char* what;
        Reply reply;
        FrameOutcome outcome;
    } cases[] = {
        {"answer", {good}, FrameOutcome::Accepted},
        {"bad crc", {badCrc}, FrameOutcome::BadCrc},
        {"wrong slave", {registersReply(2, 3, {1000, 1001})}, FrameOutcome::WrongSlave},
        {"wrong function", {registersReply(1, 4, {1000, 1001})}, FrameOutcome::WrongFunction},
        {"wrong byte count", {withCrc({1, 3, 3, 3, 0xE8, 3, 0xE9})}, FrameOutcome::BadByteCount},
        {"exception", {exceptionReply(1, 3, 2)}, FrameOutcome::Exception},
        {"silent", {}, FrameOutcome::NoResponse},
        {"truncated", {Bytes(good.begin(), good.begin() + 4)}, FrameOutcome::Truncated},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sink_.frames.clear();
        slave_.setHandler([&](const Bytes&) { return c.reply; });
        std::uint8_t data[4] = {};
        master_.ReadRegisters(1, 3, 0, 2, data);
        ASSERT_EQ(sink_.frames.size(), 2u);
        EXPECT_EQ(sink_.frames[0].direction, FrameDirection::Request);
        EXPECT_EQ(sink_.frames[0].outcome, FrameOutcome::Sent);
        EXPECT_EQ(sink_.frames[0].bytes, withCrc({1, 3, 0, 0, 0, 2}));
        EXPECT_EQ(sink_.frames[1].direction, FrameDirection::Response);
        EXPECT_EQ(sink_.frames[1].outcome, c.outcome);
        EXPECT_EQ(sink_.frames[1].bytes, c.reply.bytes);
        EXPECT_GE(sink_.frames[1].timeUs, sink_.frames[0].timeUs);
    }
}

TEST_F(TapOnPty, WriteEchoMismatchAndLateBytesAreShown) {
    // An echo with another value but a good CRC: the master reports a CRC error, the tap tells it apart.
    slave_.setHandler([](const Bytes&) { return Reply{withCrc({1, 6, 0, 253, 0, 9})}; });
    EXPECT_EQ(master_.WriteSingle(1, 6, 253, 1010), RTU_ERR_CRC);
    ASSERT_EQ(sink_.frames.size(), 2u);
    EXPECT_EQ(sink_.frames[1].outcome, FrameOutcome::EchoMismatch);

    // A reply after the deadline is shown when the next request would drop it.
    sink_.frames.clear();
    const Bytes late = registersReply(1, 3, {7});
    slave_.setHandler([&](const Bytes&) { return Reply{late, std::chrono::milliseconds(1100)}; });
    std::uint8_t data[2] = {};
    const std::size_t before = slave_.requests().size();
    EXPECT_EQ(master_.ReadRegisters(1, 3, 0, 1, data), RTU_ERR_TIMEOUT);
    ASSERT_TRUE(slave_.waitForRequests(before + 1));  // the late reply is on the line now
    slave_.setHandler(registerBank(1));
    EXPECT_EQ(master_.ReadRegisters(1, 3, 0, 1, data), RTU_OK);
    ASSERT_EQ(sink_.frames.size(), 5u);
    EXPECT_EQ(sink_.frames[1].outcome, FrameOutcome::NoResponse);
    EXPECT_TRUE(sink_.frames[1].bytes.empty());
    EXPECT_EQ(sink_.frames[2].outcome, FrameOutcome::Late);
    EXPECT_EQ(sink_.frames[2].bytes, late);
    EXPECT_EQ(sink_.frames[3].direction, FrameDirection::Request);
    EXPECT_EQ(sink_.frames[4].outcome, FrameOutcome::Accepted);
}

TEST_F(TapOnPty, RetriedRequestsAreMarkedAndNoSinkMeansNoCalls) {
    int calls = 0;
    slave_.setHandler([&](const Bytes& request) {
        Bytes reply = registersReply(1, 3, {1});
        if (calls++ == 0) reply.back() ^= 0xFF;  // the first answer is corrupt, the retry's is good
        (void)request;
        return Reply{reply};
    });
    std::uint8_t data[2] = {};
    EXPECT_EQ(master_.ReadRegistersRetry(1, 3, 0, 1, data), RTU_OK);
    ASSERT_EQ(sink_.frames.size(), 4u);
    EXPECT_FALSE(sink_.frames[0].retry);
    EXPECT_EQ(sink_.frames[1].outcome, FrameOutcome::BadCrc);
    EXPECT_TRUE(sink_.frames[2].retry);
    EXPECT_EQ(sink_.frames[3].outcome, FrameOutcome::Accepted);

    master_.setFrameSink(nullptr);
    EXPECT_EQ(master_.ReadRegistersRetry(1, 3, 0, 1, data), RTU_OK);
    EXPECT_EQ(sink_.frames.size(), 4u);
}

}  // namespace
