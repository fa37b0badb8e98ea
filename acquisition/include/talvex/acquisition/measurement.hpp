// The measurement record: nine text fields in a fixed order (memory, SensorData, list, CSV), and the
// compact form the record store keeps. The texts are the contract; the compact form must give back
// exactly the texts it was made from.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talvex::acquisition {

enum class Field : std::uint8_t { SensorId, Timestamp, H2DG, H2AG, Temp, DayRoc, PR, WT, RunStatus };

inline constexpr std::size_t kFieldCount = 9;
inline constexpr std::array<std::string_view, kFieldCount> kFieldNames = {
    "SensorId", "Timestamp", "H2DG", "H2AG", "Temp", "DayRoc", "PR", "WT", "RunStatus"};

// The nine texts, as stored in the database and shown in the list.
using TextRecord = std::array<std::string, kFieldCount>;

// Local date and time of a poll, as the record's Timestamp field shows it.
struct LocalTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// The decoded values of one poll; the texts are formatted from these on demand.
struct Measurement {
    std::uint8_t sensorId = 0;
    LocalTime time;
    float h2dg = 0, h2ag = 0, temp = 0;
    std::int32_t dayRoc = 0;
    float pr = 0, wt = 0;
    std::uint16_t runStatus = 0;
};

TextRecord formatMeasurement(const Measurement& m);
std::string formatTimestamp(const LocalTime& t);
// A Timestamp text ("2026-12-11 10:59:04") as civil seconds since 1970 (no time zone applied), and
// back; nullopt for any other text or a date that does not exist.
std::optional<std::uint32_t> civilSeconds(const std::string& timestamp);
std::string formatCivilSeconds(std::uint32_t seconds);

// One stored record in 32 bytes when its texts are the canonical formatting of numbers (every record
// the poller makes); any other texts (loaded from a database written by someone else) are kept
// verbatim in one heap block.
class StoredRecord {
  public:
    StoredRecord() = default;
    explicit StoredRecord(const Measurement& m);
    // Compact when the texts round-trip exactly, verbatim otherwise.
    explicit StoredRecord(const TextRecord& texts);
    StoredRecord(const StoredRecord& o);
    StoredRecord(StoredRecord&& o) noexcept;
    StoredRecord& operator=(const StoredRecord& o);
    StoredRecord& operator=(StoredRecord&& o) noexcept;
    ~StoredRecord();

    std::string field(Field f) const;
    TextRecord texts() const;
    bool isCompact() const { return kind_ == Kind::Compact; }

  private:
    enum class Kind : std::uint8_t { Empty, Compact, Verbatim };
    void release() noexcept;
    void makeVerbatim(const TextRecord& t);

    Kind kind_ = Kind::Empty;
    std::uint8_t sensorId_ = 0;
    std::uint16_t runStatus_ = 0;
    std::uint32_t seconds_ = 0;  // civil seconds since 1970-01-01 00:00:00 (no time zone applied)
    union {
        struct {
            float h2dg, h2ag, temp;
            std::int32_t dayRoc;
            float pr, wt;
        } n_;
        char* text_;  // nine fields, each a 32-bit length and its bytes
    };
};

static_assert(sizeof(StoredRecord) <= 32, "the store's per-record budget");

}  // namespace talvex::acquisition
