// Cuts the sensor's history byte stream into records as the bytes arrive, whatever the pieces the
// port delivers them in. A record starts at 0x5A; a V2 record's second byte must be 0x19; a record
// whose last byte is not 0xA5, or whose BCD time is not a calendar time, is dropped and parsing
// restarts at the first 0x5A inside it, so one damaged record costs only itself.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "talvex/acquisition/history_record.hpp"

namespace talvex::acquisition {

class HistoryParser {
  public:
    explicit HistoryParser(HistoryFormat format);

    // Parses bytes; each complete record is decoded and appended to out.
    void feed(const std::uint8_t* bytes, std::size_t count, std::vector<HistoryRecord>& out);
    // Records rejected so far (wrong tag, wrong end byte, or a time that is no calendar time).
    std::uint64_t dropped() const { return dropped_; }

  private:
    void completeRecord(std::vector<HistoryRecord>& out);
    // Drops the held record's first byte and keeps what follows from the next start marker on.
    void resynchronise();

    HistoryFormat format_;
    int size_;
    int held_ = 0;  // bytes of the record under way
    std::array<std::uint8_t, 28> record_{};
    std::uint64_t dropped_ = 0;
};

}  // namespace talvex::acquisition
