#include "talvex/acquisition/history_record.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "talvex/history_registers.hpp"

namespace talvex::acquisition {
namespace {

std::uint32_t be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

float floatLowFirst(const std::uint8_t* p) {
    const std::uint32_t bits =
        p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
    float f = 0;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// The V1 rate. A V1 record has four rate bytes (15-18) by its layout, but byte 18 is its end marker.
// Chosen reading: the three bytes 15-17 as a signed 24-bit value, high byte first, which is what
// the sensor puts there. The literal four-byte reading would be
//     static_cast<std::int32_t>(be32(record + 15))   // = bytes 15-17 x 256 + 0xA5, always ...165
// and is the one line to change should a sensor turn out to mean that.
std::int32_t v1Rate(const std::uint8_t* record) {
    const std::uint32_t v = (std::uint32_t{record[15]} << 16) | (std::uint32_t{record[16]} << 8) | record[17];
    return static_cast<std::int32_t>(v << 8) >> 8;
}

void appendInt(std::string& out, long long v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

// "%3.2f" of a float promoted to double. to_chars rounds the exact binary value as printf does;
// infinities and NaNs take printf's own spelling.
void appendFixed2(std::string& out, double v) {
    char buf[64];
    if (!std::isfinite(v)) {
        const int n = std::snprintf(buf, sizeof buf, "%3.2f", v);
        out.append(buf, static_cast<std::size_t>(n));
        return;
    }
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
    if (r.ec == std::errc()) {
        out.append(buf, r.ptr);
        return;
    }
    std::string big(400, '\0');  // |v| near FLT_MAX needs 39 digits; a double up to 309
    const int n = std::snprintf(big.data(), big.size(), "%3.2f", v);
    out.append(big.data(), static_cast<std::size_t>(n));
}

void appendNibbles(std::string& out, std::uint8_t b) {
    out.push_back(static_cast<char>('0' + (b >> 4)));
    out.push_back(static_cast<char>('0' + (b & 0x0F)));
}

void appendTime(std::string& out, const std::array<std::uint8_t, 7>& t) {
    appendNibbles(out, t[0]);
    appendNibbles(out, t[1]);
    out.push_back('-');
    appendNibbles(out, t[2]);
    out.push_back('-');
    appendNibbles(out, t[3]);
    out.push_back(' ');
    appendNibbles(out, t[4]);
    out.push_back(':');
    appendNibbles(out, t[5]);
    out.push_back(':');
    appendNibbles(out, t[6]);
}

}  // namespace

int historyRecordSize(HistoryFormat format) {
    return format == HistoryFormat::V2 ? sensor::history::kV2RecordSize : sensor::history::kV1RecordSize;
}

HistoryRecord decodeHistoryRecord(const std::uint8_t* bytes, HistoryFormat format) {
    HistoryRecord r;
    std::memcpy(r.time.data(), bytes + 2, r.time.size());
    r.hydrogen = be32(bytes + 9);
    r.temperatureRaw = static_cast<std::uint16_t>((bytes[13] << 8) | bytes[14]);
    if (format == HistoryFormat::V2) {
        r.rate = static_cast<std::int32_t>(be32(bytes + 15));
        r.pressure = floatLowFirst(bytes + 19);
        r.moisture = floatLowFirst(bytes + 23);
    } else {
        r.rate = v1Rate(bytes);
    }
    return r;
}

void appendHistoryField(std::string& out, const HistoryTable& table, std::size_t row, int column) {
    if (row >= table.records.size()) return;
    const HistoryRecord& r = table.records[row];
    const bool v2 = table.format == HistoryFormat::V2;
    switch (column) {
        case kHistId:
            appendInt(out, table.sensorId);
            break;
        case kHistTime:
            appendTime(out, r.time);
            break;
        case kHistHydrogen:
            appendInt(out, r.hydrogen);
            break;
        case kHistTemperature:
            // Single precision throughout, as the sensor's own tools compute it.
            appendFixed2(out, static_cast<float>(r.temperatureRaw) / 100.0f - 100.0f);
            break;
        case kHistRate:
            appendInt(out, r.rate);
            break;
        case kHistPressure:
            if (v2) appendFixed2(out, r.pressure);
            break;
        case kHistMoisture:
            if (v2) appendFixed2(out, r.moisture);
            break;
        default:
            break;
    }
}

std::string historyField(const HistoryTable& table, std::size_t row, int column) {
    std::string s;
    appendHistoryField(s, table, row, column);
    return s;
}

void appendHistoryLine(std::string& out, const HistoryTable& table, std::size_t row) {
    for (int c = 0; c < kHistoryColumnCount; ++c) {
        if (c > 0) out.push_back(',');
        appendHistoryField(out, table, row, c);
    }
    out.append("\r\n");
}

}  // namespace talvex::acquisition
