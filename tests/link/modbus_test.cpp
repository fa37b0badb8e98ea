// CModbus against a scripted slave on a pseudo-terminal: frames on the wire, argument limits, response
// validation in its order, the time-out rules, the retry rule and the history exchanges.
#include "talvex/modbus.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "pty_slave.hpp"
#include "talvex/rtu.h"

namespace {

using talvex::CModbus;
using talvex::HistoryReadOptions;
using namespace talvex::test;
using Clock = std::chrono::steady_clock;

long msSince(Clock::time_point t0) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count());
}

class ModbusOnPty : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(master_.Open(pty_.slavePath().c_str(), 19200, 8, 0, 0), 1); }

    // The frames the slave has seen so far, once it has seen n of them.
    std::vector<Bytes> seen(std::size_t n) {
        EXPECT_TRUE(slave_.waitForRequests(n));
        return slave_.requests();
    }

    PtyPair pty_;
    ScriptedSlave slave_{pty_.masterFd(), registerBank(1)};
    CModbus master_;
};

TEST_F(ModbusOnPty, ReadHoldingRegistersFrameAndData) {
    std::uint8_t data[20] = {};
    ASSERT_EQ(master_.ReadRegisters(1, 3, 0, 10, data), RTU_OK);
    EXPECT_EQ(seen(1)[0], (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD}));
    EXPECT_EQ(data[0], 1000 >> 8);
    EXPECT_EQ(data[1], 1000 & 0xFF);
    EXPECT_EQ(data[19], 1009 & 0xFF);
}

TEST_F(ModbusOnPty, LargestFramesFitTheBuffers) {
    std::uint8_t regs[250] = {};
    ASSERT_EQ(master_.ReadRegisters(1, 4, 0, 125, regs), RTU_OK);  // 255-byte response
    EXPECT_EQ(talvex::test::wordAt(Bytes(regs, regs + 250), 248), 1124);

    std::uint8_t bits[2] = {};
    ASSERT_EQ(master_.ReadBits(1, 1, 0, 9, bits), RTU_OK);  // 2 data bytes, 7-byte response
    EXPECT_EQ(bits[0], 0xA0);
    EXPECT_EQ(bits[1], 0xA1);

    std::uint8_t coils[246];
    for (int i = 0; i < 246; ++i) coils[i] = static_cast<std::uint8_t>(i);
    ASSERT_EQ(master_.WriteMultiple(1, 15, 0, 1968, coils), RTU_OK);
    std::uint8_t words[246] = {};
    words[0] = 0x12;
    words[245] = 0x34;
    ASSERT_EQ(master_.WriteMultiple(1, 16, 7, 123, words), RTU_OK);

    const auto frames = seen(4);
    EXPECT_EQ(frames[2].size(), 255u);
    EXPECT_EQ(frames[2][6], 246);
    EXPECT_EQ(frames[2][7 + 245], 245);
    EXPECT_EQ(frames[3].size(), 255u);
    EXPECT_EQ((Bytes(frames[3].begin(), frames[3].begin() + 8)),
              (Bytes{0x01, 0x10, 0x00, 0x07, 0x00, 0x7B, 0xF6, 0x12}));
}

TEST_F(ModbusOnPty, BadArgumentsSendNothing) {
    std::uint8_t buf[256] = {};
    const struct {
        const char* what;
        int result;
        int expected;
    } cases[] = {
        {"slave 0", master_.ReadRegisters(0, 3, 0, 1, buf), RTU_ERR_SLAVE},
        {"slave 248", master_.ReadRegisters(248, 3, 0, 1, buf), RTU_ERR_SLAVE},
        {"write to slave 255", master_.WriteSingle(255, 6, 0, 1), RTU_ERR_SLAVE},
        {"history start to 0", master_.SendHistoryStart(0), RTU_ERR_SLAVE},
        {"fn 3 through ReadBits", master_.ReadBits(1, 3, 0, 1, buf), RTU_ERR_FUNCTION},
        {"fn 1 through ReadRegisters", master_.ReadRegisters(1, 1, 0, 1, buf), RTU_ERR_FUNCTION},
        {"fn 16 through WriteSingle", master_.WriteSingle(1, 16, 0, 1), RTU_ERR_FUNCTION},
        {"fn 6 through WriteMultiple", master_.WriteMultiple(1, 6, 0, 1, buf), RTU_ERR_FUNCTION},
        {"126 registers", master_.ReadRegisters(1, 3, 0, 126, buf), RTU_ERR_QUANTITY},
        {"0 registers", master_.ReadRegisters(1, 3, 0, 0, buf), RTU_ERR_QUANTITY},
        {"126 coils", master_.ReadBits(1, 1, 0, 126, buf), RTU_ERR_QUANTITY},
        {"1969 coils written", master_.WriteMultiple(1, 15, 0, 1969, buf), RTU_ERR_QUANTITY},
        {"124 registers written", master_.WriteMultiple(1, 16, 0, 124, buf), RTU_ERR_QUANTITY},
        {"no destination", master_.ReadRegisters(1, 3, 0, 1, nullptr), RTU_ERR_BUFFER},
        {"no source", master_.WriteMultiple(1, 16, 0, 1, nullptr), RTU_ERR_BUFFER},
    };
    for (const auto& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
    // The first frame the slave ever sees is the one sent after all of those.
    ASSERT_EQ(master_.WriteSingle(1, 6, 0x0102, 0x0304), RTU_OK);
    const auto frames = seen(1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0][1], 6);
}

// Replies that arrive complete but are wrong, with the code each earns; checks run in the stated order.
TEST_F(ModbusOnPty, CorruptResponsesAreClassified) {
    const auto good = registersReply(1, 3, {1000, 1001});
    auto badCrc = good;
    badCrc[7] ^= 0xFF;
    auto otherSlaveBadCrc = good;  // slave and CRC both wrong: the CRC is checked first
    otherSlaveBadCrc[0] = 2;
    const struct {
        const char* what;
        Bytes reply;
        int expected;
    } cases[] = {
        {"bad crc", badCrc, RTU_ERR_CRC},
        {"wrong slave, bad crc", otherSlaveBadCrc, RTU_ERR_CRC},
        {"wrong slave", registersReply(2, 3, {1000, 1001}), RTU_ERR_SLAVE_ECHO},
        {"wrong function", registersReply(1, 4, {1000, 1001}), RTU_ERR_FUNCTION_ECHO},
        {"wrong byte count", withCrc({0x01, 0x03, 0x03, 0x03, 0xE8, 0x03, 0xE9}), RTU_ERR_BYTE_COUNT},
    };
    for (const auto& c : cases) {
        slave_.setHandler([&](const Bytes&) { return Reply{c.reply}; });
        std::uint8_t data[4] = {};
        EXPECT_EQ(master_.ReadRegisters(1, 3, 0, 2, data), c.expected) << c.what;
    }
}

TEST_F(ModbusOnPty, WriteEchoesAreComparedWhole) {
    const struct {
        const char* what;
        int function;
        std::function<Bytes(const Bytes&)> answer;
        int expected;
    } cases[] = {
        {"fn 6 echo", 6, [](const Bytes& r) { return r; }, RTU_OK},
        {"fn 6 echo, CRC differs", 6,
         [](Bytes r) {
             r[7] ^= 0x01;
             return r;
         },
         RTU_ERR_CRC},
        {"fn 6 echo, value differs", 6,
         [](Bytes r) {
             r[5] ^= 0x01;
             return withCrc(Bytes(r.begin(), r.begin() + 6));
         },
         RTU_ERR_CRC},
        {"fn 16 answer", 16, [](const Bytes& r) { return withCrc(Bytes(r.begin(), r.begin() + 6)); }, RTU_OK},
        {"fn 16 answer, quantity differs", 16,
         [](const Bytes& r) {
             Bytes a(r.begin(), r.begin() + 6);
             a[5] ^= 0x01;
             return withCrc(a);
         },
         RTU_ERR_WRITE_ECHO},
        {"fn 16 answer, bad CRC", 16,
         [](const Bytes& r) {
             Bytes a = withCrc(Bytes(r.begin(), r.begin() + 6));
             a[6] ^= 0x01;
             return a;
         },
         RTU_ERR_CRC},
    };
    for (const auto& c : cases) {
        slave_.setHandler([&](const Bytes& req) { return Reply{c.answer(req)}; });
        const std::uint8_t src[4] = {0, 1, 0, 2};
        const int result = c.function == 6 ? master_.WriteSingle(1, 6, 0x10, 0x1234)
                                           : master_.WriteMultiple(1, 16, 0x10, 2, src);
        EXPECT_EQ(result, c.expected) << c.what;
    }
}

// Incomplete responses are judged only when the 1000 ms response time-out has run out.
TEST_F(ModbusOnPty, IncompleteResponsesWaitForTheTimeout) {
    const struct {
        const char* what;
        Reply reply;
        int expected;
    } cases[] = {
        {"exception 2", {exceptionReply(1, 3, 2)}, RTU_EXCEPTION + 2},
        {"5 bytes, not an exception", {withCrc({0x01, 0x03, 0x02})}, RTU_ERR_TIMEOUT},
        {"exception from another slave", {exceptionReply(9, 3, 2)}, RTU_ERR_TIMEOUT},
        {"silence", {}, RTU_ERR_TIMEOUT},
        {"late answer", {registersReply(1, 3, {1000}), std::chrono::milliseconds(1300)}, RTU_ERR_TIMEOUT},
    };
    for (const auto& c : cases) {
        slave_.setHandler([&](const Bytes&) { return c.reply; });
        std::uint8_t data[2] = {};
        const auto t0 = Clock::now();
        EXPECT_EQ(master_.ReadRegisters(1, 3, 0, 1, data), c.expected) << c.what;
        const long ms = msSince(t0);
        EXPECT_GE(ms, 1000) << c.what;
        EXPECT_LT(ms, 1800) << c.what;
    }
    // The late answer's bytes are purged before the next request and do not pollute it.
    slave_.setHandler(registerBank(1));
    std::uint8_t data[2] = {};
    EXPECT_TRUE(slave_.waitForRequests(5));
    EXPECT_EQ(master_.ReadRegisters(1, 3, 5, 1, data), RTU_OK);
    EXPECT_EQ(data[1], 1005 & 0xFF);
}

TEST_F(ModbusOnPty, RetryGivesTwoSecondChancesUntilASuccess) {
    // Instant CRC-corrupt answers: retryable, and cheap to observe by counting frames on the wire.
    auto corrupt = [](const Bytes& req) {
        Bytes r = registersReply(req[0], 3, {0});
        r.back() ^= 0xFF;
        return Reply{r};
    };
    slave_.setHandler(corrupt);
    std::uint8_t data[2];
    const struct {
        bool healthy;
        int expected;
        std::size_t frames;
        std::uint32_t counter;
    } steps[] = {
        {false, RTU_ERR_CRC, 2, 1}, {false, RTU_ERR_CRC, 2, 2}, {false, RTU_ERR_CRC, 1, 3},
        {false, RTU_ERR_CRC, 1, 4}, {true, RTU_OK, 1, 0},       {false, RTU_ERR_CRC, 2, 1},
    };
    std::size_t total = 0;
    for (const auto& s : steps) {
        slave_.setHandler(s.healthy ? registerBank(1) : ScriptedSlave::Handler(corrupt));
        EXPECT_EQ(master_.ReadRegistersRetry(1, 3, 0, 1, data), s.expected);
        total += s.frames;
        EXPECT_TRUE(slave_.waitForRequests(total));
        EXPECT_EQ(slave_.requests().size(), total);
        EXPECT_EQ(master_.failureCount(1), s.counter);
    }
    EXPECT_EQ(master_.failureCount(2), 0u);  // counters are per slave
}

TEST_F(ModbusOnPty, ExceptionsAndSendFailuresAreNotRetried) {
    slave_.setHandler([](const Bytes& req) { return Reply{exceptionReply(req[0], req[1], 4)}; });
    std::uint8_t data[2];
    EXPECT_EQ(master_.ReadRegistersRetry(1, 3, 0, 1, data), RTU_EXCEPTION + 4);
    EXPECT_TRUE(slave_.waitForRequests(1));
    master_.Close();
    EXPECT_EQ(master_.ReadRegistersRetry(1, 3, 0, 1, data), RTU_ERR_SEND);
    EXPECT_EQ(slave_.requests().size(), 1u);
    EXPECT_EQ(master_.failureCount(1), 2u);
}

TEST_F(ModbusOnPty, SilentSlaveCostsTwoTimeoutsTwiceThenOne) {
    slave_.setHandler([](const Bytes&) { return Reply{}; });
    std::uint8_t data[30];
    const long expectedMs[] = {2030, 2030, 1000};
    for (long expected : expectedMs) {
        const auto t0 = Clock::now();
        EXPECT_EQ(master_.ReadRegistersRetry(1, 3, 0, 15, data), RTU_ERR_TIMEOUT);
        const long ms = msSince(t0);
        EXPECT_GE(ms, expected);
        EXPECT_LT(ms, expected + 700);
    }
}

TEST_F(ModbusOnPty, HistoryStartSendsItsFixedFrameAndReadsNothing) {
    slave_.setHandler([](const Bytes&) { return Reply{}; });
    const auto t0 = Clock::now();
    EXPECT_EQ(master_.SendHistoryStart(1), RTU_OK);
    EXPECT_LT(msSince(t0), 500);
    // Requests that await no answer, back to back: the purge before each must not cut the one before it.
    EXPECT_EQ(master_.SendHistoryStart(2), RTU_OK);
    EXPECT_EQ(master_.SendHistoryStart(3), RTU_OK);
    const auto frames = seen(3);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], (Bytes{0x01, 0x06, 0x00, 0x65, 0x03, 0xE9, 0x58, 0xAB}));
    EXPECT_EQ(frames[2], withCrc({0x03, 0x06, 0x00, 0x65, 0x03, 0xE9}));
}

Bytes historyRecords(std::size_t count, std::size_t size) {
    Bytes out;
    for (std::size_t i = 0; i < count; ++i) {
        Bytes rec(size, static_cast<std::uint8_t>(i));
        rec.front() = 0x5A;
        rec.back() = 0xA5;
        out.insert(out.end(), rec.begin(), rec.end());
    }
    return out;
}

TEST_F(ModbusOnPty, HistoryBlockCompletesWhenAllRecordsArrive) {
    slave_.setHandler([](const Bytes&) { return Reply{historyRecords(40, 28)}; });  // 1120 bytes
    std::vector<int> progress;
    HistoryReadOptions options{true, 2, 40, [&](int p) { progress.push_back(p); }};
    EXPECT_EQ(master_.WriteRegisterReceiveHistory(1, 0x0066, 7, options), RTU_OK);
    EXPECT_EQ(options.recordCount, 40u);
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.front(), 0);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));  // the bar only moves forward
    EXPECT_LE(progress.back(), 100);
    EXPECT_EQ(seen(1)[0], withCrc({0x01, 0x06, 0x00, 0x66, 0x00, 0x07}));
}

TEST_F(ModbusOnPty, HistoryBlockEndsEarlyWithoutSettingsOrReadiness) {
    const struct {
        bool ready;
        int format;
    } cases[] = {{false, 1}, {true, 3}};
    for (const auto& c : cases) {
        HistoryReadOptions options{c.ready, c.format, 10, nullptr};
        const auto t0 = Clock::now();
        EXPECT_EQ(master_.WriteRegisterReceiveHistory(1, 0x0066, 7, options), RTU_OK);
        EXPECT_LT(msSince(t0), 500);
        EXPECT_EQ(options.recordCount, 10u);
    }
}

TEST_F(ModbusOnPty, StalledHistoryLowersTheExpectedCount) {
    slave_.setHandler([](const Bytes&) { return Reply{historyRecords(2, 19)}; });
    HistoryReadOptions options{true, 1, 3, nullptr};
    const auto t0 = Clock::now();
    EXPECT_EQ(master_.WriteRegisterReceiveHistory(1, 0x0066, 7, options), RTU_ERR_TIMEOUT);
    EXPECT_GE(msSince(t0), 5000);
    EXPECT_EQ(options.recordCount, 2u);
}

TEST_F(ModbusOnPty, VanishedDeviceFailsEveryLaterRequestAtOnce) {
    pty_.hangUp();
    std::uint8_t data[2];
    // Whichever of the write or the read meets the vanished device first fails and closes the port,
    // without waiting out the response time-out.
    auto t0 = Clock::now();
    EXPECT_THAT(master_.ReadRegisters(1, 3, 0, 1, data),
                ::testing::AnyOf(::testing::Eq(RTU_ERR_SEND), ::testing::Eq(RTU_ERR_TIMEOUT)));
    EXPECT_LT(msSince(t0), 500);
    EXPECT_FALSE(master_.isOpen());
    t0 = Clock::now();
    EXPECT_EQ(master_.ReadRegisters(1, 3, 0, 1, data), RTU_ERR_SEND);
    EXPECT_EQ(master_.WriteSingle(1, 6, 0, 0), RTU_ERR_SEND);
    EXPECT_LT(msSince(t0), 100);
}

}  // namespace
