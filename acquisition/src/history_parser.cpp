#include "talvex/acquisition/history_parser.hpp"

#include <algorithm>
#include <cstring>

#include "talvex/history_registers.hpp"

namespace talvex::acquisition {

using namespace talvex::sensor::history;

namespace {

constexpr int kTimeOffset = 2;  // seven BCD bytes: century, year, month, day, hour, minute, second

// The two decimal digits of a BCD byte, or -1 when a nibble is not a digit.
int bcdValue(std::uint8_t b) {
    const int high = b >> 4, low = b & 0x0F;
    return high > 9 || low > 9 ? -1 : high * 10 + low;
}

// Noise that happens to sit between a start and an end marker is told apart by its time: a record
// the sensor wrote carries a real calendar time in BCD.
bool isCalendarTime(const std::uint8_t* t) {
    int v[7];
    for (int i = 0; i < 7; ++i)
        if ((v[i] = bcdValue(t[i])) < 0) return false;
    const int year = v[0] * 100 + v[1], month = v[2], day = v[3];
    if (month < 1 || month > 12 || day < 1) return false;
    static constexpr int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > kDays[month - 1] || (month == 2 && day == 29 && !leap)) return false;
    return v[4] <= 23 && v[5] <= 59 && v[6] <= 59;
}

}  // namespace

HistoryParser::HistoryParser(HistoryFormat format) : format_(format), size_(historyRecordSize(format)) {}

void HistoryParser::feed(const std::uint8_t* bytes, std::size_t count, std::vector<HistoryRecord>& out) {
    const bool tagged = format_ == HistoryFormat::V2;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t b = bytes[i];
        if (held_ == 0) {
            if (b == kStartMarker) record_[held_++] = b;
            continue;
        }
        if (held_ == 1 && tagged && b != kV2Tag) {
            ++dropped_;
            held_ = 0;
            if (b == kStartMarker) record_[held_++] = b;
            continue;
        }
        record_[held_++] = b;
        if (held_ == size_) completeRecord(out);
    }
}

void HistoryParser::completeRecord(std::vector<HistoryRecord>& out) {
    if (record_[size_ - 1] == kEndMarker && isCalendarTime(record_.data() + kTimeOffset)) {
        out.push_back(decodeHistoryRecord(record_.data(), format_));
        held_ = 0;
        return;
    }
    // A wrong end byte or a time that is no time: resynchronise on the first start marker after the first
    // byte; the bytes from it on are the beginning of the next record, and parsing goes on with the next
    // input byte.
    ++dropped_;
    resynchronise();
}

void HistoryParser::resynchronise() {
    for (;;) {
        const auto begin = record_.begin() + 1, end = record_.begin() + held_;
        const auto found = std::find(begin, end, kStartMarker);
        if (found == end) {
            held_ = 0;
            return;
        }
        const int j = static_cast<int>(found - record_.begin());
        std::memmove(record_.data(), record_.data() + j, static_cast<std::size_t>(held_ - j));
        held_ -= j;
        // The held bytes skip feed()'s look at the second byte: a V2 record's tag is checked here, and a
        // wrong one is dropped as feed() drops it.
        if (format_ != HistoryFormat::V2 || held_ < 2 || record_[1] == kV2Tag) return;
        ++dropped_;
    }
}

}  // namespace talvex::acquisition
