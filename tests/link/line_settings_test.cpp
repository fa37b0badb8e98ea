// Line settings beyond the Bnnn table and the three parities of termios, read back through termios2
// from the pseudo-terminal the port configured.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <gtest/gtest.h>

#include "pty_slave.hpp"
#include "talvex/serial_port.hpp"

namespace {

using talvex::CSerialPort;
using talvex::PortOpenFailure;

TEST(LineSettings, AnyBaudRateMarkAndSpaceParityAndNoSubstituteForOneAndAHalfStopBits) {
    struct Case {
        std::uint32_t baud;
        std::uint8_t parity, stopBits;
        PortOpenFailure why;  // None: opens with exactly these settings
        tcflag_t parityFlags;
    };
    const Case cases[] = {
        {14400, 0, 0, PortOpenFailure::None, 0},
        {28800, 1, 0, PortOpenFailure::None, PARENB | PARODD},
        {56000, 2, 2, PortOpenFailure::None, PARENB},
        {128000, 3, 0, PortOpenFailure::None, PARENB | CMSPAR | PARODD},  // mark
        {256000, 4, 0, PortOpenFailure::None, PARENB | CMSPAR},           // space
        {19200, 0, 1, PortOpenFailure::BadSettings, 0},                   // 1.5 stop bits
        {19200, 5, 0, PortOpenFailure::BadSettings, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.baud);
        talvex::test::PtyPair pty;
        CSerialPort port;
        const bool opens = c.why == PortOpenFailure::None;
        ASSERT_EQ(port.Open(pty.slavePath().c_str(), c.baud, 8, c.parity, c.stopBits), opens ? 1 : 0);
        EXPECT_EQ(port.lastOpenFailure(), c.why);
        if (!opens) continue;
        termios2 tio{};
        ASSERT_EQ(ioctl(pty.slaveFd(), TCGETS2, &tio), 0);
        EXPECT_EQ(tio.c_ospeed, c.baud);
        EXPECT_EQ(tio.c_ispeed, c.baud);
        // A pseudo-terminal clears PARENB itself; the parity kind stays in PARODD and CMSPAR.
        EXPECT_EQ(tio.c_cflag & (PARODD | CMSPAR), c.parityFlags & (PARODD | CMSPAR));
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.stopBits == 2);
    }
}

}  // namespace
