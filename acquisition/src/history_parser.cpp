#include "talvex/acquisition/history_parser.hpp"

#include <algorithm>
#include <cstring>

#include "talvex/history_registers.hpp"

namespace talvex::acquisition {

using namespace talvex::sensor::history;

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
    if (record_[size_ - 1] == kEndMarker) {
        out.push_back(decodeHistoryRecord(record_.data(), format_));
        held_ = 0;
        return;
    }
    // Resynchronise on the first start marker after the first byte; the bytes from it on are the
    // beginning of the next record (not checked again), and parsing goes on with the next input byte.
    ++dropped_;
    const auto begin = record_.begin() + 1, end = record_.begin() + size_;
    const auto found = std::find(begin, end, kStartMarker);
    if (found == end) {
        held_ = 0;
        return;
    }
    const int j = static_cast<int>(found - record_.begin());
    std::memmove(record_.data(), record_.data() + j, static_cast<std::size_t>(size_ - j));
    held_ = size_ - j;
}

}  // namespace talvex::acquisition
