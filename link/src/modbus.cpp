// Request framing, the receive loop with its 1000 ms response time-out, and response validation.
#include "talvex/modbus.hpp"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "talvex/crc16.hpp"
#include "talvex/rtu.h"
#include "talvex/rtu_response.hpp"

namespace talvex {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint16_t kMaxReadQuantity = 125;
constexpr std::uint16_t kMaxCoilWrite = 1968;
constexpr std::uint16_t kMaxRegisterWrite = 123;
constexpr std::uint32_t kRetryCap = 100;
constexpr auto kRetryPause = std::chrono::milliseconds(30);
constexpr auto kHistoryStall = std::chrono::seconds(5);
constexpr std::size_t kHistoryChunk = 256;  // bounds each Read so the stall check stays timely

bool validSlave(std::uint8_t slave) {
    return slave >= 1 && slave <= 247;
}

std::size_t putHeader(std::uint8_t* f, std::uint8_t slave, std::uint8_t function, std::uint16_t a,
                      std::uint16_t b) {
    f[0] = slave;
    f[1] = function;
    f[2] = static_cast<std::uint8_t>(a >> 8);
    f[3] = static_cast<std::uint8_t>(a & 0xFF);
    f[4] = static_cast<std::uint8_t>(b >> 8);
    f[5] = static_cast<std::uint8_t>(b & 0xFF);
    return 6;
}

bool retryable(int result) {
    switch (result) {
        case RTU_ERR_CRC:
        case RTU_ERR_SLAVE_ECHO:
        case RTU_ERR_FUNCTION_ECHO:
        case RTU_ERR_BYTE_COUNT:
        case RTU_ERR_TIMEOUT:
            return true;
        default:
            return false;
    }
}

}  // namespace

CModbus::~CModbus() {
    Close();
}

std::uint16_t CModbus::Crc16(const std::uint8_t* data, std::size_t length) {
    return crc16(data, length);
}

int CModbus::sendFrame(std::size_t length) {
    appendCrc(tx_.data(), length);
    const int total = static_cast<int>(length + 2);
    if (!tapLateBytes()) purge();
    const bool whole = Write(tx_.data(), total) == total;
    tap(FrameDirection::Request, whole ? FrameOutcome::Sent : FrameOutcome::SendFailed, tx_.data(),
        static_cast<std::size_t>(total), 0);
    return whole ? RTU_OK : RTU_ERR_SEND;
}

void CModbus::tap(FrameDirection direction, FrameOutcome outcome, const std::uint8_t* bytes,
                  std::size_t length, std::int64_t timeUs) {
    FrameSink* sink = sink_.load(std::memory_order_acquire);
    if (sink == nullptr) return;
    FrameEvent e;
    e.timeUs = timeUs != 0 ? timeUs : monotonicMicros();
    e.direction = direction;
    e.outcome = outcome;
    e.retry = retrying_ && direction == FrameDirection::Request;
    e.bytes = bytes;
    e.length = length;
    sink->onFrame(e);
}

// What sits in the receive queue before a request arrived after its own deadline. With a sink set, the
// queue is read empty (and shown) instead of flushed: true when that left it empty, so no purge is needed
// and the tap costs no extra system call.
bool CModbus::tapLateBytes() {
    if (sink_.load(std::memory_order_acquire) == nullptr) return false;
    std::array<std::uint8_t, kFrameBufferSize> late{};
    for (int pieces = 0; pieces < 8; ++pieces) {  // bounded: a chattering line cannot hold us here
        const int n = takePending(late.data(), static_cast<int>(late.size()));
        if (n > 0)
            tap(FrameDirection::Response, FrameOutcome::Late, late.data(), static_cast<std::size_t>(n), 0);
        if (n < static_cast<int>(late.size())) return true;
    }
    return false;
}

// The response's verdict for the tap, from the transaction's result; returns the result unchanged.
int CModbus::tapResponse(int result) {
    if (sink_.load(std::memory_order_acquire) == nullptr) return result;
    FrameOutcome outcome = FrameOutcome::Accepted;
    switch (result) {
        case RTU_OK:
            break;
        case RTU_ERR_CRC:
            // A single write's echo that differs is reported as a CRC error; tell the two apart here.
            outcome = crcMatches(rx_.data(), rxGot_) ? FrameOutcome::EchoMismatch : FrameOutcome::BadCrc;
            break;
        case RTU_ERR_SLAVE_ECHO:
            outcome = FrameOutcome::WrongSlave;
            break;
        case RTU_ERR_FUNCTION_ECHO:
            outcome = FrameOutcome::WrongFunction;
            break;
        case RTU_ERR_BYTE_COUNT:
            outcome = FrameOutcome::BadByteCount;
            break;
        case RTU_ERR_WRITE_ECHO:
            outcome = FrameOutcome::EchoMismatch;
            break;
        case RTU_ERR_TIMEOUT:
            outcome = rxGot_ == 0 ? FrameOutcome::NoResponse : FrameOutcome::Truncated;
            break;
        default:
            outcome = (result & RTU_EXCEPTION) ? FrameOutcome::Exception : FrameOutcome::Truncated;
            break;
    }
    tap(FrameDirection::Response, outcome, rx_.data(), rxGot_, rxGot_ > 0 ? rxLastUs_ : 0);
    return result;
}

// Collects `expected` bytes into rx_. RTU_OK when complete in time, else the time-out verdict.
int CModbus::receive(std::size_t expected, std::size_t& got) {
    const auto t0 = Clock::now();
    const auto limit = std::chrono::milliseconds(kResponseTimeoutMs);
    const bool tapped = sink_.load(std::memory_order_relaxed) != nullptr;
    got = 0;
    rxGot_ = 0;
    while (got < expected) {
        const int n = Read(rx_.data() + got, static_cast<int>(expected - got));
        got += static_cast<std::size_t>(n);
        rxGot_ = got;
        if (tapped && n > 0) rxLastUs_ = monotonicMicros();
        // Checked after counting: a response completed only by the read that crossed the deadline is late.
        if (Clock::now() - t0 > limit) return timeoutResult(got);
        // A port closed by a failed read cannot deliver more; do not spin until the deadline.
        if (got < expected && !isOpen()) return timeoutResult(got);
    }
    return RTU_OK;
}

int CModbus::timeoutResult(std::size_t got) const {
    return shortResponseResult(rx_.data(), got, tx_.data());
}

// The read transaction shared by functions 1 to 4, once the arguments have passed: n data bytes expected.
int CModbus::readTransaction(std::uint8_t slave, std::uint8_t function, std::uint16_t start,
                             std::uint16_t quantity, std::size_t n, std::uint8_t* dest) {
    if (int r = sendFrame(putHeader(tx_.data(), slave, function, start, quantity)); r != RTU_OK) return r;
    std::size_t got = 0;
    if (int r = receive(n + 5, got); r != RTU_OK) return tapResponse(r);
    if (int r = checkReadResponse(rx_.data(), n, slave, function); r != RTU_OK) return tapResponse(r);
    std::memcpy(dest, rx_.data() + 3, n);
    return tapResponse(RTU_OK);
}

int CModbus::ReadBits(std::uint8_t slave, std::uint8_t function, std::uint16_t start, std::uint16_t quantity,
                      std::uint8_t* dest) {
    if (!validSlave(slave)) return RTU_ERR_SLAVE;
    if (function != 1 && function != 2) return RTU_ERR_FUNCTION;
    if (quantity < 1 || quantity > kMaxReadQuantity) return RTU_ERR_QUANTITY;
    if (dest == nullptr) return RTU_ERR_BUFFER;
    return readTransaction(slave, function, start, quantity, (quantity + 7u) / 8u, dest);
}

int CModbus::ReadRegisters(std::uint8_t slave, std::uint8_t function, std::uint16_t start,
                           std::uint16_t quantity, std::uint8_t* dest) {
    if (!validSlave(slave)) return RTU_ERR_SLAVE;
    if (function != 3 && function != 4) return RTU_ERR_FUNCTION;
    if (quantity < 1 || quantity > kMaxReadQuantity) return RTU_ERR_QUANTITY;
    if (dest == nullptr) return RTU_ERR_BUFFER;
    return readTransaction(slave, function, start, quantity, 2u * quantity, dest);
}

int CModbus::ReadRegistersRetry(std::uint8_t slave, std::uint8_t function, std::uint16_t start,
                                std::uint16_t quantity, std::uint8_t* dest) {
    const int first = ReadRegisters(slave, function, start, quantity, dest);
    auto& counter = failures_[slave];
    if (first == RTU_OK) {
        counter.store(0);
        return RTU_OK;
    }
    std::uint32_t now = counter.load();
    if (now < kRetryCap) counter.store(++now);
    if (!retryable(first) || now > 2) return first;
    std::this_thread::sleep_for(kRetryPause);
    retrying_ = true;
    const int second = ReadRegisters(slave, function, start, quantity, dest);
    retrying_ = false;
    return second;
}

int CModbus::WriteSingle(std::uint8_t slave, std::uint8_t function, std::uint16_t address,
                         std::uint16_t value) {
    if (!validSlave(slave)) return RTU_ERR_SLAVE;
    if (function != 5 && function != 6) return RTU_ERR_FUNCTION;
    if (int r = sendFrame(putHeader(tx_.data(), slave, function, address, value)); r != RTU_OK) return r;
    std::size_t got = 0;
    if (int r = receive(8, got); r != RTU_OK) return tapResponse(r);
    return tapResponse(checkWriteSingleResponse(rx_.data(), tx_.data()));
}

int CModbus::WriteMultiple(std::uint8_t slave, std::uint8_t function, std::uint16_t start,
                           std::uint16_t quantity, const std::uint8_t* src) {
    if (!validSlave(slave)) return RTU_ERR_SLAVE;
    if (function != 15 && function != 16) return RTU_ERR_FUNCTION;
    const std::uint16_t max = function == 15 ? kMaxCoilWrite : kMaxRegisterWrite;
    if (quantity < 1 || quantity > max) return RTU_ERR_QUANTITY;
    if (src == nullptr) return RTU_ERR_BUFFER;
    const std::size_t n = function == 15 ? (quantity + 7u) / 8u : 2u * quantity;
    std::size_t length = putHeader(tx_.data(), slave, function, start, quantity);
    tx_[length++] = static_cast<std::uint8_t>(n);
    std::memcpy(tx_.data() + length, src, n);
    length += n;
    if (int r = sendFrame(length); r != RTU_OK) return r;
    std::size_t got = 0;
    if (int r = receive(8, got); r != RTU_OK) return tapResponse(r);
    return tapResponse(checkWriteMultipleResponse(rx_.data(), tx_.data()));
}

int CModbus::ReadStream(std::uint8_t* dest, int count) {
    const int n = Read(dest, count);
    if (n > 0) tap(FrameDirection::Response, FrameOutcome::Stream, dest, static_cast<std::size_t>(n), 0);
    return n;
}

int CModbus::SendHistoryStart(std::uint8_t slave) {
    if (!validSlave(slave)) return RTU_ERR_SLAVE;
    return sendFrame(putHeader(tx_.data(), slave, 6, 0x0065, 0x03E9));
}

int CModbus::WriteRegisterReceiveHistory(std::uint8_t slave, std::uint16_t address, std::uint16_t value,
                                         HistoryReadOptions& options) {
    if (!validSlave(slave)) return RTU_ERR_SLAVE;
    if (int r = sendFrame(putHeader(tx_.data(), slave, 6, address, value)); r != RTU_OK) return r;
    if (options.progress) options.progress(0);
    if (!options.ready) return RTU_OK;
    const std::size_t recordSize = options.recordFormat == 1 ? 19 : options.recordFormat == 2 ? 28 : 0;
    if (recordSize == 0) return RTU_OK;
    const std::size_t records = options.recordCount;
    // The area is fixed; a count that cannot fit would write past it.
    if (records > kHistoryAreaSize / recordSize) return RTU_ERR_QUANTITY;
    const std::size_t wanted = records * recordSize;
    std::vector<std::uint8_t> area(wanted);
    std::size_t held = 0;
    std::size_t complete = 0;
    auto lastAdvance = Clock::now();
    for (;;) {
        std::size_t k = 0;
        for (std::size_t i = 0; i < records; ++i)
            if (area[i * recordSize] == 0x5A && area[i * recordSize + recordSize - 1] == 0xA5) ++k;
        if (k == records) return RTU_OK;
        if (k > complete) {
            complete = k;
            lastAdvance = Clock::now();
        }
        if (options.progress) options.progress(static_cast<int>(100 * (k + 1) / records));
        if (Clock::now() - lastAdvance > kHistoryStall || (held == wanted) || !isOpen()) {
            options.recordCount = static_cast<std::uint32_t>(k);
            return RTU_ERR_TIMEOUT;
        }
        const std::size_t chunk = std::min(kHistoryChunk, wanted - held);
        const int n = Read(area.data() + held, static_cast<int>(chunk));
        if (n > 0) tap(FrameDirection::Response, FrameOutcome::Stream, area.data() + held, std::size_t(n), 0);
        held += static_cast<std::size_t>(n);
    }
}

}  // namespace talvex
