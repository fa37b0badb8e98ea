// Helpers of the simulator tests: request frames, a master that talks to a bus model directly
// (manual clock, no line), and a raw master on the pseudo-terminal.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "talvex/crc16.hpp"
#include "talvex/sim/bus_model.hpp"
#include "talvex/sim/codec.hpp"

namespace simtest {

using Bytes = std::vector<std::uint8_t>;
using talvex::sim::Millis;
using talvex::sim::TimePoint;

inline Bytes withCrc(Bytes f) {
    f.resize(f.size() + 2);
    talvex::appendCrc(f.data(), f.size() - 2);
    return f;
}

inline Bytes readRequest(std::uint8_t slave, std::uint16_t address, std::uint16_t count,
                         std::uint8_t function = 3) {
    return withCrc({slave, function, static_cast<std::uint8_t>(address >> 8),
                    static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(count >> 8),
                    static_cast<std::uint8_t>(count)});
}

inline Bytes writeRequest(std::uint8_t slave, std::uint16_t address, std::uint16_t value) {
    return withCrc({slave, 6, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address),
                    static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
}

inline Bytes writeManyRequest(std::uint8_t slave, std::uint16_t address,
                              const std::vector<std::uint16_t>& values) {
    Bytes f{slave,
            16,
            static_cast<std::uint8_t>(address >> 8),
            static_cast<std::uint8_t>(address),
            static_cast<std::uint8_t>(values.size() >> 8),
            static_cast<std::uint8_t>(values.size()),
            static_cast<std::uint8_t>(2 * values.size())};
    for (const auto v : values) {
        f.push_back(static_cast<std::uint8_t>(v >> 8));
        f.push_back(static_cast<std::uint8_t>(v));
    }
    return withCrc(f);
}

// Registers of a function 3 reply (CRC and byte count checked by the caller's expectations).
inline std::vector<std::uint16_t> registersOf(const Bytes& reply) {
    std::vector<std::uint16_t> regs;
    for (std::size_t i = 3; i + 3 < reply.size(); i += 2)
        regs.push_back(static_cast<std::uint16_t>(reply[i] << 8 | reply[i + 1]));
    return regs;
}

// Outcome of one exchange with a device: registers of a read, or the exception code, or silence.
struct Answer {
    bool silent = true;
    std::uint8_t exception = 0;
    std::vector<std::uint16_t> registers;
    Bytes bytes;
};

inline Answer interpret(const std::optional<talvex::sim::Outgoing>& out) {
    Answer a;
    if (!out) return a;
    a.silent = false;
    a.bytes = out->bytes;
    if (a.bytes.size() == 5 && (a.bytes[1] & 0x80)) {
        a.exception = a.bytes[2];
    } else if (a.bytes.size() >= 5 && a.bytes[1] == 3) {
        a.registers = registersOf(a.bytes);
    }
    return a;
}

// Talks to a bus model without a line; time is a manual clock the test advances.
class DirectMaster {
  public:
    explicit DirectMaster(talvex::sim::BusModel& bus) : bus_(bus) {}

    TimePoint now() const { return now_; }
    void advance(Millis d) { now_ += d; }

    Answer send(const Bytes& frame) { return interpret(bus_.handle(frame, now_)); }
    Answer read(std::uint8_t slave, std::uint16_t address, std::uint16_t count = 1) {
        return send(readRequest(slave, address, count));
    }
    std::uint16_t read1(std::uint8_t slave, std::uint16_t address) {
        const auto a = read(slave, address);
        return a.registers.empty() ? 0xDEAD : a.registers[0];
    }
    Answer write(std::uint8_t slave, std::uint16_t address, std::uint16_t value) {
        return send(writeRequest(slave, address, value));
    }
    Answer writeMany(std::uint8_t slave, std::uint16_t address, const std::vector<std::uint16_t>& values) {
        return send(writeManyRequest(slave, address, values));
    }

  private:
    talvex::sim::BusModel& bus_;
    TimePoint now_ = TimePoint{} + std::chrono::hours(1000);
};

// A raw master on the slave side of the pseudo-terminal.
class LineMaster {
  public:
    explicit LineMaster(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) return;
        termios tio{};
        ::tcgetattr(fd_, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(fd_, TCSANOW, &tio);
    }
    ~LineMaster() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }

    void send(const Bytes& bytes) {
        ::tcflush(fd_, TCIFLUSH);
        [[maybe_unused]] const auto n = ::write(fd_, bytes.data(), bytes.size());
    }

    // Collects bytes until `expected` have arrived or the line stays quiet for `quiet`.
    Bytes receive(std::size_t expected, Millis quiet = Millis(1500)) {
        Bytes got;
        std::uint8_t buf[4096];
        while (got.size() < expected) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(quiet.count())) <= 0) break;
            const auto n = ::read(fd_, buf, sizeof buf);
            if (n <= 0) break;
            got.insert(got.end(), buf, buf + n);
        }
        return got;
    }

    Bytes transact(const Bytes& request, std::size_t expected, Millis quiet = Millis(1500)) {
        send(request);
        return receive(expected, quiet);
    }

  private:
    int fd_ = -1;
};

}  // namespace simtest
