#include "talvex/acquisition/history_read.hpp"

#include <algorithm>
#include <vector>

#include "talvex/acquisition/history_parser.hpp"
#include "talvex/serial_port.hpp"

namespace talvex::acquisition {
namespace {

// Room reserved up front: N records, but never gigabytes for a mistyped N (the vector grows on).
constexpr std::size_t kReserveCap = std::size_t{1} << 22;
constexpr std::size_t kReserveUnknown = 1000;
constexpr unsigned kReadBudgetMs = 300;
constexpr unsigned kReadBaseMs = 100;

HistoryFormat otherThan(HistoryFormat f) {
    return f == HistoryFormat::V2 ? HistoryFormat::V1 : HistoryFormat::V2;
}

// Counts the records of the format not chosen in the same bytes. A sensor writes one format; a
// stream read with the other one yields nothing but dropped records, and this tells which to choose.
class OtherFormatCount {
  public:
    explicit OtherFormatCount(HistoryFormat chosen) : format_(otherThan(chosen)), parser_(format_) {}
    void feed(const std::uint8_t* bytes, std::size_t count) {
        parser_.feed(bytes, count, scratch_);
        records_ += scratch_.size();
        scratch_.clear();
    }
    std::optional<HistoryFormat> moreThan(std::size_t chosenRecords) const {
        if (records_ > chosenRecords) return format_;
        return std::nullopt;
    }

  private:
    HistoryFormat format_;
    HistoryParser parser_;
    std::vector<HistoryRecord> scratch_;
    std::size_t records_ = 0;
};

}  // namespace

HistoryReadResult readHistory(RegisterIo& io, Pacer& pacer, const HistoryReadRequest& request,
                              const HistoryProgress& progress) {
    HistoryReadResult result;
    result.table.sensorId = request.slave;
    result.table.format = request.format;
    auto& records = result.table.records;
    records.reserve(request.count == 0 ? kReserveUnknown : std::min<std::size_t>(request.count, kReserveCap));

    HistoryParser parser(request.format);
    OtherFormatCount other(request.format);
    std::vector<std::uint8_t> buffer(
        static_cast<std::size_t>(std::clamp(request.readBytes, 1, kHistoryMaxReadBytes)));
    const auto finish = [&](HistoryReadEnd end) {
        result.end = end;
        result.dropped = parser.dropped();
        result.otherFormat = other.moreThan(records.size());
        return std::move(result);
    };

    if (pacer.cancelled()) return finish(HistoryReadEnd::Stopped);
    result.startResult = io.startHistoryOutput(request.slave);  // answered by the stream, not a frame
    if (!rtuOk(result.startResult)) return finish(HistoryReadEnd::StartFailed);

    const std::int64_t start = pacer.nowMs();
    std::int64_t lastByte = 0;
    bool anyByte = false;
    for (;;) {
        const int n = io.readBytes(buffer.data(), static_cast<int>(buffer.size()));
        if (n > 0) {
            lastByte = pacer.nowMs();
            anyByte = true;
            result.bytes += static_cast<std::uint64_t>(n);
            parser.feed(buffer.data(), static_cast<std::size_t>(n), records);
            other.feed(buffer.data(), static_cast<std::size_t>(n));
            if (progress) progress(records.size(), request.count);
            if (request.count > 0 && records.size() >= request.count) return finish(HistoryReadEnd::Complete);
            if (pacer.cancelled()) return finish(HistoryReadEnd::Stopped);
            continue;
        }
        if (n < 0 || !io.isOpen()) return finish(HistoryReadEnd::PortClosed);
        const std::int64_t now = pacer.nowMs();
        if (!anyByte && now - start > kHistoryFirstByteMs) return finish(HistoryReadEnd::Silence);
        if (anyByte && now - lastByte > kHistoryLastByteMs) return finish(HistoryReadEnd::Silence);
        if (!pacer.pause(std::chrono::milliseconds(kHistoryIdlePauseMs)))
            return finish(HistoryReadEnd::Stopped);
    }
}

int historyReadBytes(std::uint32_t baud) {
    const unsigned m = CSerialPort::characterTimeout(baud);
    return static_cast<int>(std::clamp<unsigned>((kReadBudgetMs - kReadBaseMs) / m, 1, kHistoryMaxReadBytes));
}

int historyPercent(std::size_t records, std::uint32_t requested) {
    if (requested == 0) return 0;
    return static_cast<int>(std::min<std::uint64_t>(100, std::uint64_t{records} * 100 / requested));
}

}  // namespace talvex::acquisition
