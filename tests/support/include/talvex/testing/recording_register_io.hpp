// A RegisterIo that passes every request to another one and writes a transcript line for it, and
// a pacer that writes its pauses into the same transcript: a test then compares the whole exchange
// of an operation ("W 1 253 0x03EA", "P 1000", "R 1 253 1") with the expected one in one assertion.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "talvex/pacer.hpp"
#include "talvex/register_io.hpp"

namespace talvex::testing {

class Transcript {
  public:
    void add(std::string line) {
        std::lock_guard lock(mutex_);
        lines_.push_back(std::move(line));
    }
    std::vector<std::string> lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        lines_.clear();
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

inline std::string hex4(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "0x%04X", v & 0xFFFF);
    return b;
}

class RecordingRegisterIo : public RegisterIo {
  public:
    RecordingRegisterIo(RegisterIo& inner, Transcript& transcript) : inner_(inner), t_(transcript) {}
    int readHolding(int slave, int address, int count, std::uint16_t* values) override {
        t_.add("R " + std::to_string(slave) + " " + std::to_string(address) + " " + std::to_string(count));
        return inner_.readHolding(slave, address, count, values);
    }
    int writeSingle(int slave, int address, std::uint16_t value) override {
        t_.add("W " + std::to_string(slave) + " " + std::to_string(address) + " " + hex4(value));
        return inner_.writeSingle(slave, address, value);
    }
    int writeMultiple(int slave, int address, int count, const std::uint16_t* values) override {
        std::string line = "M " + std::to_string(slave) + " " + std::to_string(address);
        for (int i = 0; i < count; ++i) line += " " + hex4(values[i]);
        t_.add(line);
        return inner_.writeMultiple(slave, address, count, values);
    }
    int startHistoryOutput(int slave) override {
        t_.add("H " + std::to_string(slave));
        return inner_.startHistoryOutput(slave);
    }
    int readBytes(std::uint8_t* dest, int count) override { return inner_.readBytes(dest, count); }
    bool isOpen() const override { return inner_.isOpen(); }

  private:
    RegisterIo& inner_;
    Transcript& t_;
};

// FakePacer whose pauses also go into the transcript as "P ms".
class RecordingPacer : public FakePacer {
  public:
    explicit RecordingPacer(Transcript& transcript) : t_(transcript) {}
    bool pause(std::chrono::milliseconds d) override {
        if (!FakePacer::pause(d)) return false;
        t_.add("P " + std::to_string(d.count()));
        return true;
    }

  private:
    Transcript& t_;
};

}  // namespace talvex::testing
