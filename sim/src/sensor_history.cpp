// The sensor's history memory: records at the storage interval, sent as a raw byte stream of
// 19-byte (V1) or 28-byte (V2) records after the history-start command. Faults on request: one
// record with a wrong end byte, a stream that breaks off early (the pause lives in the reply).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>

#include "talvex/history_registers.hpp"
#include "talvex/sim/codec.hpp"
#include "talvex/sim/sensor.hpp"

namespace talvex::sim {

namespace {

void putBe(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void putFloatLe(std::vector<std::uint8_t>& out, float f) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

std::uint8_t bcd2(int v) {
    return static_cast<std::uint8_t>(toBcd(static_cast<unsigned>(v)) & 0xFF);
}

}  // namespace

std::vector<std::uint8_t> Sensor::historyStream(TimePoint now) {
    settle(now);
    using namespace sensor::history;
    const std::uint32_t requested = u32HighFirst(reg(kRequestedCountHigh), reg(kRequestedCountLow));
    const std::uint32_t stored = config_.historyRecords;
    const std::uint32_t count = requested == 0 ? stored : std::min(requested, stored);
    const std::uint32_t sent =
        config_.historyStopAfter > 0 ? std::min(count, config_.historyStopAfter) : count;
    const double interval = 60.0 * std::max<std::uint16_t>(1, reg(kStorageInterval));
    // Records lie on the storage grid of the sensor clock, newest at or before now.
    const double sensorNow = wallSeconds(now) + clockOffset_;
    const double newest = std::floor(sensorNow / interval) * interval;
    const bool v2 = config_.historyFormat == 2;

    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(sent) * (v2 ? kV2RecordSize : kV1RecordSize));
    for (std::uint32_t i = 0; i < sent; ++i) {
        const double when = newest - (count - 1 - i) * interval;
        const double t = when - clockOffset_ - wallStart_;  // physics time of the record
        const double main = hydrogenAt(t);
        const int rate = static_cast<int>(std::lround(main - hydrogenAt(t - 86400.0)));
        const double oil = oilTemperatureAt(t);

        const auto stamp = static_cast<std::time_t>(when);
        std::tm tm{};
        localtime_r(&stamp, &tm);
        out.push_back(kStartMarker);
        out.push_back(v2 ? kV2Tag : 0x00);
        const int year = tm.tm_year + 1900;
        out.push_back(bcd2(year / 100));
        out.push_back(bcd2(year % 100));
        out.push_back(bcd2(tm.tm_mon + 1));
        out.push_back(bcd2(tm.tm_mday));
        out.push_back(bcd2(tm.tm_hour));
        out.push_back(bcd2(tm.tm_min));
        out.push_back(bcd2(tm.tm_sec));
        putBe(out, static_cast<std::uint32_t>(std::lround(std::max(0.0, main))), 4);
        putBe(out, static_cast<std::uint32_t>(std::clamp(std::lround((oil + 100.0) * 100.0), 0L, 65535L)), 2);
        if (v2) {
            putBe(out, static_cast<std::uint32_t>(rate), 4);
            const bool pr = config_.pressureFitted && (options_[0] & 1);
            const bool mo = config_.moistureFitted && (options_[1] & 1);
            putFloatLe(out, pr ? static_cast<float>(101.3 + 0.4 * std::sin(t / 573.0)) : 0.0f);
            putFloatLe(out, mo ? static_cast<float>(12.0 + 3.0 * std::sin(t / 1146.0)) : 0.0f);
        } else {
            // V1 has three bytes for the rate before its end marker: a signed 24-bit value.
            putBe(out, static_cast<std::uint32_t>(rate) & 0xFFFFFF, 3);
        }
        out.push_back(i + 1 == config_.historyCorruptRecord ? 0x00 : kEndMarker);
    }
    return out;
}

}  // namespace talvex::sim
