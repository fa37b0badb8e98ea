// CSerialPort: one serial device opened exclusively for Modbus RTU traffic, with byte-level Read and Write
// whose time-outs follow the baud rate. The platform half lives in serial_port_<platform>.cpp.
#pragma once

#include <chrono>
#include <cstdint>

#include <string>

#include "talvex/port_lock.hpp"
#include "talvex/port_open_failure.hpp"

namespace talvex {

class CSerialPort {
  public:
    CSerialPort() = default;
    virtual ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Line codes as the device-control block has them: byteSize 5..8; parity 0 none, 1 odd, 2 even,
    // 3 mark, 4 space; stopBits 0 one, 2 two (1, one and a half, is refused: no Linux port has it); any
    // baud rate the driver can make. Closes a held device first, also when this open
    // then fails. Returns 1 opened, 0 failed; lastOpenFailure() tells why.
    int Open(const char* device, std::uint32_t baudRate, std::uint8_t byteSize, std::uint8_t parity,
             std::uint8_t stopBits);
    // Opens the device read-only to listen to a line another master drives (8N1; Write sends nothing).
    // Two readers of one tty take bytes from each other, so a device another program has open or has
    // locked is refused (Busy; listening needs a second adapter on the same line) unless shared is set
    // for a deliberate experiment; an unshared listener holds the device as a master does.
    int OpenListener(const char* device, std::uint32_t baudRate, bool shared);
    // Returns as soon as count bytes have arrived, when more than m ms pass between two bytes once one has
    // arrived, or after 100 + m * count ms in all. A platform failure closes the port and returns 0.
    int Read(std::uint8_t* buffer, int count);
    // Blocks until the bytes have left (or m * count ms have passed); returns the number handed over.
    int Write(const std::uint8_t* buffer, int count);
    // Returns the platform's result of closing, or -1 when the port was not open.
    int Close();

    bool isOpen() const { return handle_ != kInvalidHandle; }
    // Discards received bytes nobody asked for; the master does this before every request.
    void purge();
    // Reads what the driver holds right now, without waiting; 0 when nothing (the tap shows late bytes
    // this way before purge() drops them).
    int takePending(std::uint8_t* buffer, int count);
    // Waits up to timeoutUs for bytes and takes what the driver holds (a listener's read): >0 bytes read,
    // 0 nothing in time, -1 the device failed or vanished (the port is then closed).
    int readAvailable(std::uint8_t* buffer, int count, std::int64_t timeoutUs);
    // Character time-out m in ms for the baud rate of the open port.
    unsigned characterTimeoutMs() const { return charTimeoutMs_; }
    PortOpenFailure lastOpenFailure() const { return lastOpenFailure_; }
    // After a Busy failure: who holds the port ("held by PID 1234 (minicom)"), when known.
    const std::string& lastOpenHolder() const { return lastOpenHolder_; }

    // m = trunc(16500 / baud + 0.8), at least 1: one and a half 11-bit characters, rounded up generously.
    // Inline: the history read sizes its reads by it without linking the port.
    static unsigned characterTimeout(std::uint32_t baudRate) {
        if (baudRate == 0) return 1;
        const double m = 16500.0 / static_cast<double>(baudRate) + 0.8;
        return m < 1.0 ? 1u : static_cast<unsigned>(m);
    }

  protected:
    static constexpr std::intptr_t kInvalidHandle = -1;

  private:
    enum class Access { Master, Listener, SharedListener };
    int openDevice(const char* device, std::uint32_t baudRate, std::uint8_t byteSize, std::uint8_t parity,
                   std::uint8_t stopBits, Access access);
    void closeAfterFailure();
    void drainUntil(std::chrono::steady_clock::time_point deadline);

    std::intptr_t handle_ = kInvalidHandle;  // file descriptor (a HANDLE on Windows)
    unsigned charTimeoutMs_ = 1;
    std::uint32_t baudRate_ = 0;
    bool readOnly_ = false;   // a listener: Write sends nothing
    bool exclusive_ = false;  // TIOCEXCL set by this port
    PortOpenFailure lastOpenFailure_ = PortOpenFailure::None;
    std::string lastOpenHolder_;
    UucpLock lock_;  // held while the port is open
};

}  // namespace talvex
