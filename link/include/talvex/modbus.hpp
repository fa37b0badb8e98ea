// CModbus: the Modbus RTU master. Builds a request, sends it, collects and validates the response and
// returns an RTU result code. Null buffers are refused with RTU_ERR_BUFFER before any traffic. One
// transaction at a time; no lock of its own (the RTU call interface holds one).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

#include "talvex/frame_tap.hpp"
#include "talvex/serial_port.hpp"

namespace talvex {

// What a history block read needs from its caller (the history page in the workbench).
struct HistoryReadOptions {
    bool ready = false;             // clear: the exchange ends with 0 right after the request
    int recordFormat = 0;           // 1: 19-byte records, 2: 28-byte records; anything else ends with 0
    std::uint32_t recordCount = 0;  // expected records; lowered to those received when the stream stalls
    std::function<void(int percent)> progress;  // optional; 0 at the start, then per complete record
};

class CModbus : public CSerialPort {
  public:
    static constexpr std::uint32_t kResponseTimeoutMs = 1000;
    static constexpr std::size_t kFrameBufferSize = 256;
    static constexpr std::size_t kHistoryAreaSize = 2'000'000;

    CModbus() = default;
    ~CModbus() override;

    // Functions 1 and 2; quantity 1..125; dest receives ceil(quantity / 8) bytes.
    int ReadBits(std::uint8_t slave, std::uint8_t function, std::uint16_t start, std::uint16_t quantity,
                 std::uint8_t* dest);
    // Functions 3 and 4; quantity 1..125; dest receives 2 * quantity bytes, high byte first.
    int ReadRegisters(std::uint8_t slave, std::uint8_t function, std::uint16_t start, std::uint16_t quantity,
                      std::uint8_t* dest);
    // ReadRegisters with one more attempt, 30 ms later, on the first two failing reads in a row of a slave.
    int ReadRegistersRetry(std::uint8_t slave, std::uint8_t function, std::uint16_t start,
                           std::uint16_t quantity, std::uint8_t* dest);
    // Functions 5 and 6; the response must echo the request byte for byte.
    int WriteSingle(std::uint8_t slave, std::uint8_t function, std::uint16_t address, std::uint16_t value);
    // Functions 15 (quantity 1..1968) and 16 (1..123); src holds the packed data bytes.
    int WriteMultiple(std::uint8_t slave, std::uint8_t function, std::uint16_t start, std::uint16_t quantity,
                      const std::uint8_t* src);
    // Writes 1001 to register 101 (function 6) and reads nothing: the sensor answers with a raw stream.
    int SendHistoryStart(std::uint8_t slave);
    // Writes a register (function 6) and collects the history records that follow (see HistoryReadOptions).
    int WriteRegisterReceiveHistory(std::uint8_t slave, std::uint16_t address, std::uint16_t value,
                                    HistoryReadOptions& options);

    // One raw Read of the history stream (RTUReadBytes), shown to the tap as stream bytes.
    int ReadStream(std::uint8_t* dest, int count);

    static std::uint16_t Crc16(const std::uint8_t* data, std::size_t length);

    // The tap: null (the default) costs one pointer test per frame. Set between transactions.
    void setFrameSink(FrameSink* sink) { sink_.store(sink, std::memory_order_release); }

    // Consecutive failed first attempts of a slave's register reads (capped at 100).
    std::uint32_t failureCount(std::uint8_t slave) const { return failures_[slave].load(); }

  private:
    int sendFrame(std::size_t length);
    int readTransaction(std::uint8_t slave, std::uint8_t function, std::uint16_t start,
                        std::uint16_t quantity, std::size_t n, std::uint8_t* dest);
    int receive(std::size_t expected, std::size_t& got);
    int timeoutResult(std::size_t got) const;
    // Tap helpers: each is a no-op while no sink is set.
    bool tapLateBytes();
    void tap(FrameDirection direction, FrameOutcome outcome, const std::uint8_t* bytes, std::size_t length,
             std::int64_t timeUs);
    int tapResponse(int result);

    std::array<std::uint8_t, kFrameBufferSize> tx_{};
    std::array<std::uint8_t, kFrameBufferSize> rx_{};
    // Read by diagnostics on other threads; written only inside a transaction.
    std::array<std::atomic<std::uint32_t>, 256> failures_{};
    std::atomic<FrameSink*> sink_{nullptr};
    bool retrying_ = false;      // the request under way is the retry's second attempt
    std::size_t rxGot_ = 0;      // bytes the last receive collected
    std::int64_t rxLastUs_ = 0;  // when its last byte was read (tap only)
};

}  // namespace talvex
