// CSerialPort over a real pseudo-terminal: line settings, exclusive open, the three ways a Read ends,
// and the self-closing error path.
#include "talvex/serial_port.hpp"

#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "pty_slave.hpp"

namespace {

using talvex::CSerialPort;
using talvex::PortOpenFailure;
using talvex::test::PtyPair;
using Clock = std::chrono::steady_clock;

long msSince(Clock::time_point t0) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count());
}

void feed(int fd, const std::uint8_t* bytes, std::size_t n) {
    ASSERT_EQ(write(fd, bytes, n), ssize_t(n));
}

TEST(SerialPort, CharacterTimeoutFollowsBaudRate) {
    const struct {
        std::uint32_t baud;
        unsigned m;
    } cases[] = {{1200, 14}, {2400, 7},  {4800, 4},   {9600, 2}, {19200, 1},
                 {38400, 1}, {57600, 1}, {115200, 1}, {300, 55}, {110, 150}};
    for (const auto& c : cases) EXPECT_EQ(CSerialPort::characterTimeout(c.baud), c.m) << c.baud;
}

TEST(SerialPort, OpensRaw8N1WithoutFlowControl) {
    PtyPair pty;
    // Start from a cooked, flow-controlled line so every setting has to be made by Open.
    termios tio{};
    tcgetattr(pty.slaveFd(), &tio);
    tio.c_iflag |= IXON | IXOFF | ICRNL;
    tio.c_lflag |= ICANON | ECHO;
    tio.c_cflag |= PARENB | CSTOPB | CRTSCTS;
    tcsetattr(pty.slaveFd(), TCSANOW, &tio);

    CSerialPort port;
    ASSERT_EQ(port.Open(pty.slavePath().c_str(), 9600, 8, 0, 0), 1);
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &tio), 0);
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(cfgetospeed(&tio), speed_t(B9600));
    EXPECT_EQ(port.characterTimeoutMs(), 2u);
}

TEST(SerialPort, OpenFailuresTellWhy) {
    PtyPair pty;
    CSerialPort holder;
    ASSERT_EQ(holder.Open(pty.slavePath().c_str(), 19200, 8, 0, 0), 1);
    const struct {
        std::string device;
        std::uint32_t baud;
        PortOpenFailure why;
    } cases[] = {
        {pty.slavePath(), 19200, PortOpenFailure::Busy},  // held by another handle
        {"/dev/ttyDoesNotExist7", 19200, PortOpenFailure::Missing},
        {"/dev/null", 19200, PortOpenFailure::Unsupported},  // not a terminal
    };
    for (const auto& c : cases) {
        CSerialPort port;
        EXPECT_EQ(port.Open(c.device.c_str(), c.baud, 8, 0, 0), 0) << c.device;
        EXPECT_EQ(port.lastOpenFailure(), c.why) << c.device;
        EXPECT_FALSE(port.isOpen());
    }
    // The holder is unaffected and, once it lets go, the device opens again.
    EXPECT_TRUE(holder.isOpen());
    holder.Close();
    CSerialPort next;
    EXPECT_EQ(next.Open(pty.slavePath().c_str(), 19200, 8, 0, 0), 1);
}

TEST(SerialPort, ReopenClosesFirstAndAFailedReopenLeavesItClosed) {
    PtyPair pty;
    CSerialPort port;
    ASSERT_EQ(port.Open(pty.slavePath().c_str(), 19200, 8, 0, 0), 1);
    // Reopening the same device works because the old handle is released first.
    ASSERT_EQ(port.Open(pty.slavePath().c_str(), 19200, 8, 0, 0), 1);
    EXPECT_EQ(port.Open("/dev/ttyDoesNotExist7", 19200, 8, 0, 0), 0);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.Close(), -1);
    CSerialPort other;
    EXPECT_EQ(other.Open(pty.slavePath().c_str(), 19200, 8, 0, 0), 1);  // nothing left holding it
}

// At 1200 baud m = 14 ms, so a Read of 10 bytes may last at most 100 + 140 ms.
TEST(SerialPort, ReadReturnsAtCountWithoutWaitingForTheTotal) {
    PtyPair pty;
    CSerialPort port;
    ASSERT_EQ(port.Open(pty.slavePath().c_str(), 1200, 8, 0, 0), 1);
    const std::uint8_t data[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    feed(pty.masterFd(), data, sizeof data);
    std::uint8_t buf[16] = {};
    const auto t0 = Clock::now();
    ASSERT_EQ(port.Read(buf, 10), 10);
    EXPECT_LT(msSince(t0), 200);
    EXPECT_EQ(buf[9], 10);
    EXPECT_EQ(port.Read(buf, 2), 2);  // the rest stays queued for the next Read
    EXPECT_EQ(buf[1], 12);
}

TEST(SerialPort, ReadEndsAtAnInterByteGapLongerThanTheCharacterTimeout) {
    PtyPair pty;
    CSerialPort port;
    ASSERT_EQ(port.Open(pty.slavePath().c_str(), 1200, 8, 0, 0), 1);
    const std::uint8_t data[3] = {7, 8, 9};
    feed(pty.masterFd(), data, sizeof data);
    std::uint8_t buf[64] = {};
    const auto t0 = Clock::now();
    EXPECT_EQ(port.Read(buf, 50), 3);
    // The total bound would be 100 + 14 * 50 = 800 ms; the gap after the third byte ends it much sooner.
    EXPECT_LT(msSince(t0), 500);
}

TEST(SerialPort, ReadKeepsCollectingAcrossGapsShorterThanTheCharacterTimeout) {
    PtyPair pty;
    CSerialPort port;
    ASSERT_EQ(port.Open(pty.slavePath().c_str(), 110, 8, 0, 0), 1);  // m = 150 ms: room for a slow scheduler
    std::thread peer([&] {
        const std::uint8_t a[2] = {1, 2};
        const std::uint8_t b[2] = {3, 4};
        feed(pty.masterFd(), a, 2);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        feed(pty.masterFd(), b, 2);
    });
    std::uint8_t buf[4] = {};
    EXPECT_EQ(port.Read(buf, 4), 4);
    peer.join();
    EXPECT_EQ(buf[3], 4);
}

TEST(SerialPort, SilentReadEndsAfterTheTotalTimeout) {
    PtyPair pty;
    CSerialPort port;
    ASSERT_EQ(port.Open(pty.slavePath().c_str(), 1200, 8, 0, 0), 1);
    std::uint8_t buf[10];
    const auto t0 = Clock::now();
    EXPECT_EQ(port.Read(buf, 10), 0);
    const long ms = msSince(t0);
    EXPECT_GE(ms, 235);  // 100 + 14 * 10
    EXPECT_LT(ms, 1000);
    EXPECT_TRUE(port.isOpen());  // a time-out is not a failure
}

TEST(SerialPort, WriteIntoAFullQueueGivesUpAfterItsBound) {
    PtyPair pty;  // nobody reads the master side, so the queue fills up
    CSerialPort port;
    ASSERT_EQ(port.Open(pty.slavePath().c_str(), 1200, 8, 0, 0), 1);  // bound: 14 ms per byte
    std::uint8_t block[10] = {};
    int written = 10;
    long ms = 0;
    for (int i = 0; i < 100000 && written == 10; ++i) {
        const auto t0 = Clock::now();
        written = port.Write(block, 10);
        ms = msSince(t0);
    }
    EXPECT_LT(written, 10);
    EXPECT_GE(ms, 135);  // waited 14 * 10 ms for room before handing back a short count
    EXPECT_LT(ms, 1000);
    EXPECT_TRUE(port.isOpen());  // a slow line is not a failed device
}

TEST(SerialPort, PlatformFailureClosesThePortForGood) {
    PtyPair pty;
    CSerialPort port;
    ASSERT_EQ(port.Open(pty.slavePath().c_str(), 19200, 8, 0, 0), 1);
    pty.hangUp();
    std::uint8_t buf[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(port.Read(buf, 8), 0);
    EXPECT_FALSE(port.isOpen());
    const auto t0 = Clock::now();
    EXPECT_EQ(port.Read(buf, 8), 0);
    EXPECT_EQ(port.Write(buf, 8), 0);
    EXPECT_LT(msSince(t0), 50);  // nothing waits on a closed port
    EXPECT_EQ(port.Close(), -1);
}

}  // namespace
