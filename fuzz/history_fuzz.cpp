// The history stream parser. The first input byte picks the format and where the stream is cut into
// the pieces the port delivers. What must hold: the records do not depend on the cut; every record
// re-encodes to bytes that stand in the stream, in order and without overlap; every record found or
// dropped began at a start marker; each record's texts are made without fault.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_check.hpp"
#include "talvex/acquisition/history_parser.hpp"
#include "talvex/acquisition/history_record.hpp"
#include "talvex/history_registers.hpp"

using namespace talvex::acquisition;
using namespace talvex::sensor::history;

namespace {

void putBe(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void putFloatLowFirst(std::vector<std::uint8_t>& out, float f) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    putBe(out, __builtin_bswap32(bits), 4);
}

// The record's bytes as the sensor writes them; a V1 record's second byte is not kept (any value).
std::vector<std::uint8_t> encode(const HistoryRecord& r, HistoryFormat format) {
    std::vector<std::uint8_t> out{kStartMarker, format == HistoryFormat::V2 ? kV2Tag : std::uint8_t{0}};
    out.insert(out.end(), r.time.begin(), r.time.end());
    putBe(out, r.hydrogen, 4);
    putBe(out, r.temperatureRaw, 2);
    if (format == HistoryFormat::V2) {
        putBe(out, static_cast<std::uint32_t>(r.rate), 4);
        putFloatLowFirst(out, r.pressure);
        putFloatLowFirst(out, r.moisture);
    } else {
        putBe(out, static_cast<std::uint32_t>(r.rate) & 0xFFFFFF, 3);
    }
    out.push_back(kEndMarker);
    return out;
}

bool sameRecord(const HistoryRecord& a, const HistoryRecord& b) {
    return a.time == b.time && a.temperatureRaw == b.temperatureRaw && a.hydrogen == b.hydrogen &&
           a.rate == b.rate && std::memcmp(&a.pressure, &b.pressure, sizeof a.pressure) == 0 &&
           std::memcmp(&a.moisture, &b.moisture, sizeof a.moisture) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const HistoryFormat format = (data[0] & 1) ? HistoryFormat::V2 : HistoryFormat::V1;
    const std::size_t step = 1 + (data[0] >> 1);
    ++data;
    --size;

    HistoryParser whole(format);
    std::vector<HistoryRecord> records;
    whole.feed(data, size, records);

    HistoryParser pieces(format);
    std::vector<HistoryRecord> again;
    for (std::size_t at = 0; at < size; at += step) pieces.feed(data + at, std::min(step, size - at), again);
    FUZZ_CHECK(records.size() == again.size() && pieces.dropped() == whole.dropped());
    for (std::size_t i = 0; i < records.size(); ++i) FUZZ_CHECK(sameRecord(records[i], again[i]));

    const auto starts = static_cast<std::size_t>(std::count(data, data + size, kStartMarker));
    FUZZ_CHECK(records.size() + whole.dropped() <= starts);

    const std::uint8_t* from = data;
    const std::uint8_t* const end = data + size;
    const std::size_t recordSize = static_cast<std::size_t>(historyRecordSize(format));
    for (const HistoryRecord& r : records) {
        const std::vector<std::uint8_t> bytes = encode(r, format);
        FUZZ_CHECK(bytes.size() == recordSize);
        const auto matches = [&](const std::uint8_t* p) {
            return p[0] == bytes[0] && (format == HistoryFormat::V1 || p[1] == bytes[1]) &&
                   std::equal(bytes.begin() + 2, bytes.end(), p + 2);
        };
        while (end - from >= static_cast<std::ptrdiff_t>(recordSize) && !matches(from)) ++from;
        FUZZ_CHECK(end - from >= static_cast<std::ptrdiff_t>(recordSize));
        from += recordSize;
    }

    HistoryTable table{7, format, records};
    std::string line;
    for (std::size_t row = 0; row < table.records.size(); ++row) {
        line.clear();
        appendHistoryLine(line, table, row);
        FUZZ_CHECK(std::count(line.begin(), line.end(), ',') == kHistoryColumnCount - 1);
        FUZZ_CHECK(line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0);
    }
    return 0;
}
