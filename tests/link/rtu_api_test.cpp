// The RTU call interface as other layers use it: opening by COM number or path, argument handling of the C
// entry points, closed-port behaviour, and frames from several threads never interleaving.
#include "talvex/rtu.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "pty_slave.hpp"
#include "talvex/port_open_failure.hpp"

namespace {

using namespace talvex::test;

class RtuOnPty : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(RTUOpenDevice(pty_.slavePath().c_str(), 19200, 8, 0, 0), 1); }
    void TearDown() override { RTUCloseCom(); }

    std::vector<Bytes> seen(std::size_t n) {
        EXPECT_TRUE(slave_.waitForRequests(n));
        return slave_.requests();
    }

    PtyPair pty_;
    ScriptedSlave slave_{pty_.masterFd(), registerBank(1)};
};

TEST_F(RtuOnPty, SlaveArgumentUsesItsLowByte) {
    unsigned char data[2] = {};
    EXPECT_EQ(RTUReadHoldingRegisters(257, 3, 1, data), RTU_OK);
    EXPECT_EQ(seen(1)[0][0], 1);
    EXPECT_EQ(data[1], 1003 & 0xFF);
    EXPECT_EQ(RTUReadHoldingRegisters(0, 0, 1, data), RTU_ERR_SLAVE);
    EXPECT_EQ(RTUReadHoldingRegisters(256, 0, 1, data), RTU_ERR_SLAVE);
}

TEST_F(RtuOnPty, EveryCallPutsItsFunctionOnTheWire) {
    unsigned char buf[16] = {};
    const unsigned char src[4] = {0x0F, 0x00, 0x12, 0x34};
    EXPECT_EQ(RTUReadCoils(1, 0, 9, buf), RTU_OK);
    EXPECT_EQ(RTUReadDiscreteInputs(1, 0, 8, buf), RTU_OK);
    EXPECT_EQ(RTUReadHoldingRegisters(1, 0, 2, buf), RTU_OK);
    EXPECT_EQ(RTUReadInputRegisters(1, 0, 2, buf), RTU_OK);
    EXPECT_EQ(RTUWriteSingleCoil(1, 4, 0xFF00), RTU_OK);
    EXPECT_EQ(RTUWriteSingleRegister(1, 253, 1010), RTU_OK);
    EXPECT_EQ(RTUWriteMultipleCoils(1, 0, 4, src), RTU_OK);
    EXPECT_EQ(RTUWriteMultipleRegisters(1, 19, 2, src), RTU_OK);
    const auto frames = seen(8);
    const int functions[] = {1, 2, 3, 4, 5, 6, 15, 16};
    ASSERT_EQ(frames.size(), 8u);
    for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(frames[i][1], functions[i]);
    EXPECT_EQ(frames[4], withCrc({0x01, 0x05, 0x00, 0x04, 0xFF, 0x00}));
    EXPECT_EQ(frames[7], withCrc({0x01, 0x10, 0x00, 0x13, 0x00, 0x02, 0x04, 0x0F, 0x00, 0x12, 0x34}));
}

TEST_F(RtuOnPty, UnsafeArgumentsAreRefusedWithoutTraffic) {
    unsigned char buf[4] = {};
    const struct {
        const char* what;
        int result;
        int expected;
    } cases[] = {
        {"coil value 1", RTUWriteSingleCoil(1, 0, 1), RTU_ERR_COIL_VALUE},
        {"coil value 0x00FF", RTUWriteSingleCoil(1, 0, 0x00FF), RTU_ERR_COIL_VALUE},
        {"null destination", RTUReadHoldingRegisters(1, 0, 2, nullptr), RTU_ERR_BUFFER},
        {"null coil destination", RTUReadCoils(1, 0, 2, nullptr), RTU_ERR_BUFFER},
        {"null source", RTUWriteMultipleRegisters(1, 0, 2, nullptr), RTU_ERR_BUFFER},
        {"negative quantity", RTUReadHoldingRegisters(1, 0, -1, buf), RTU_ERR_QUANTITY},
        {"bytes into null", RTUReadBytes(nullptr, 10), 0},
        {"negative byte count", RTUReadBytes(buf, -5), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
    EXPECT_EQ(RTUWriteSingleRegister(1, 0, 0), RTU_OK);
    const auto frames = seen(1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0][1], 6);
}

TEST_F(RtuOnPty, ClosedPortFailsRequestsAndReadsNothing) {
    RTUCloseCom();
    EXPECT_EQ(RTUIsOpen(), 0);
    unsigned char buf[4] = {};
    EXPECT_EQ(RTUReadHoldingRegisters(1, 0, 1, buf), RTU_ERR_SEND);
    EXPECT_EQ(RTUWriteSingleRegister(1, 0, 1), RTU_ERR_SEND);
    EXPECT_EQ(RTUStartHistoryOutput(1), RTU_ERR_SEND);
    EXPECT_EQ(RTUReadBytes(buf, 4), 0);
    // And the link opens again afterwards.
    ASSERT_EQ(RTUOpenDevice(pty_.slavePath().c_str(), 19200, 8, 0, 0), 1);
    EXPECT_EQ(RTUReadHoldingRegisters(1, 0, 1, buf), RTU_OK);
}

TEST_F(RtuOnPty, HistoryStreamIsCollectedWithReadBytes) {
    const Bytes stream = {0x5A, 1, 2, 3, 0xA5};
    slave_.setHandler([&](const Bytes&) { return Reply{stream}; });
    ASSERT_EQ(RTUStartHistoryOutput(1), RTU_OK);
    EXPECT_EQ(seen(1)[0], withCrc({0x01, 0x06, 0x00, 0x65, 0x03, 0xE9}));
    unsigned char buf[16] = {};
    int got = 0;
    while (got < 5) {
        const int n = RTUReadBytes(buf + got, 16 - got);
        if (n == 0) break;
        got += n;
    }
    ASSERT_EQ(got, 5);
    EXPECT_EQ(Bytes(buf, buf + 5), stream);
}

struct ProgressLog {
    std::vector<int> percents;
};

TEST_F(RtuOnPty, HistoryExchangeTakesItsSettingsFromTheSetter) {
    Bytes records;
    for (int i = 0; i < 3; ++i) {
        Bytes r(19, 0);
        r.front() = 0x5A;
        r.back() = 0xA5;
        records.insert(records.end(), r.begin(), r.end());
    }
    slave_.setHandler([&](const Bytes&) { return Reply{records}; });
    ProgressLog log;
    RTUSetHistoryOptions(
        1, 1, 3, [](int p, void* user) { static_cast<ProgressLog*>(user)->percents.push_back(p); }, &log);
    EXPECT_EQ(RTUWriteSingleRegister22(1, 0x66, 1), RTU_OK);
    EXPECT_EQ(RTUHistoryRecordCount(), 3);
    ASSERT_FALSE(log.percents.empty());
    EXPECT_EQ(log.percents.front(), 0);
    RTUSetHistoryOptions(0, 0, 0, nullptr, nullptr);
}

// Each thread reads its own register; a frame interleaved with another thread's would return someone
// else's value or fail its CRC.
TEST_F(RtuOnPty, ConcurrentCallersNeverInterleave) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 50;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < kRounds; ++i) {
                unsigned char data[2] = {};
                const int address = t * 100 + i;
                if (RTUReadHoldingRegisters(1, address, 1, data) != RTU_OK ||
                    ((data[0] << 8) | data[1]) != 1000 + address)
                    ++failures[static_cast<std::size_t>(t)];
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[static_cast<std::size_t>(t)], 0) << "thread " << t;
}

TEST(RtuOpen, ComNumbersMapThroughTheEnvironment) {
    PtyPair pty;
    ASSERT_EQ(setenv("TALVEX_COM7", pty.slavePath().c_str(), 1), 0);
    EXPECT_EQ(RTUOpenCom(7, 19200, 8, 0, 0), 1);
    EXPECT_EQ(RTUIsOpen(), 1);
    EXPECT_EQ(RTULastOpenFailure(), RTU_OPEN_OK);
    RTUCloseCom();
    unsetenv("TALVEX_COM7");

    const struct {
        int port;
        int why;
    } refused[] = {{0, RTU_OPEN_BAD_PORT}, {100, RTU_OPEN_BAD_PORT}, {-3, RTU_OPEN_BAD_PORT}};
    for (const auto& c : refused) {
        EXPECT_EQ(RTUOpenCom(c.port, 19200, 8, 0, 0), 0) << c.port;
        EXPECT_EQ(RTULastOpenFailure(), c.why) << c.port;
        EXPECT_EQ(RTUIsOpen(), 0);
    }
    EXPECT_EQ(RTUOpenDevice("/dev/ttyDoesNotExist7", 19200, 8, 0, 0), 0);
    EXPECT_EQ(RTULastOpenFailure(), RTU_OPEN_MISSING);
    EXPECT_EQ(RTUOpenDevice(nullptr, 19200, 8, 0, 0), 0);
}

TEST(RtuOpen, FailureMessagesNameTheCauseAndTheRemedy) {
    using talvex::PortOpenFailure;
    const struct {
        PortOpenFailure why;
        const char* mentions;
    } cases[] = {
        {PortOpenFailure::Missing, "does not exist"},   {PortOpenFailure::Busy, "in use by another program"},
        {PortOpenFailure::PermissionDenied, "dialout"}, {PortOpenFailure::Unsupported, "not a serial port"},
        {PortOpenFailure::BadPortNumber, "1 to 99"},
    };
    for (const auto& c : cases) {
        const std::string text = talvex::openFailureMessage(c.why, "/dev/ttyUSB3");
        EXPECT_NE(text.find("Serial port not found or occupied"), std::string::npos) << text;
        EXPECT_NE(text.find(c.mentions), std::string::npos) << text;
    }
}

TEST(RtuResultText, EveryCodeHasItsOwnText) {
    const int codes[] = {RTU_OK,
                         RTU_ERR_SLAVE,
                         RTU_ERR_FUNCTION,
                         RTU_ERR_QUANTITY,
                         RTU_ERR_COIL_VALUE,
                         RTU_ERR_BUFFER,
                         RTU_ERR_CRC,
                         RTU_ERR_SLAVE_ECHO,
                         RTU_ERR_FUNCTION_ECHO,
                         RTU_ERR_WRITE_ECHO,
                         RTU_ERR_BYTE_COUNT,
                         RTU_ERR_SEND,
                         RTU_ERR_TIMEOUT,
                         RTU_EXCEPTION + 1,
                         RTU_EXCEPTION + 2,
                         RTU_EXCEPTION + 4};
    std::vector<std::string> texts;
    for (int c : codes) {
        texts.emplace_back(RTUResultText(c));
        for (std::size_t i = 0; i + 1 < texts.size(); ++i) EXPECT_NE(texts[i], texts.back()) << std::hex << c;
    }
    EXPECT_STREQ(RTUResultText(RTU_EXCEPTION + 2), "Modbus exception 2: illegal data address");
    EXPECT_STREQ(RTUResultText(0x10000 + RTU_ERR_CRC),
                 RTUResultText(RTU_ERR_CRC));  // only the low 16 bits count
    EXPECT_STREQ(RTUResultText(RTU_EXCEPTION + 0x42), "Modbus exception 66");
}

}  // namespace
