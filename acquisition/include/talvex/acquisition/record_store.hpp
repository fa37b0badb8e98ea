// The recent-record store (newest records per sensor, append counts) and the display buffer of the
// acquisition page with its bookkeeping. One mutex guards all of it; no call holds another lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "talvex/acquisition/measurement.hpp"
#include "talvex/acquisition/record_ring.hpp"

namespace talvex::acquisition {

class RecordStore {
  public:
    static constexpr std::size_t kMaxRecords = 20000;

    // Sensor key: the sensor ID as unsigned decimal text ("%u").
    static std::string keyOf(unsigned sensorId) { return std::to_string(sensorId); }

    explicit RecordStore(std::size_t maxRecords = kMaxRecords) : maxRecords_(maxRecords) {}

    // --- recent-record store ---
    // Appends to the key's sequence (trimming it to the newest maxRecords) and counts the append.
    void append(const std::string& key, StoredRecord r);
    // Records ever appended for key since the store was last cleared (0 when unknown).
    std::int32_t appendCount(const std::string& key) const;
    std::size_t recordCount(const std::string& key) const;
    // Copy of the newest `newest` records of key, oldest first.
    std::vector<StoredRecord> records(const std::string& key, std::size_t newest = SIZE_MAX) const;
    std::vector<std::string> keys() const;
    // Replaces every key's records (the start-up load); append counts stay as they are.
    void replaceRecords(std::map<std::string, std::vector<StoredRecord>> loaded);
    // Empties all records and append counts, empties the display buffer and zeroes the taken-over
    // count; the selected key stays.
    void clearAll();
    // Empties one sensor's records and append count (and the display buffer when it shows that
    // sensor); the other sensors keep theirs.
    void clearSensor(const std::string& key);

    // --- display buffer ---
    struct DisplayState {
        std::size_t size = 0;
        std::uint32_t version = 0;
    };
    // Makes key the selected key: the buffer becomes a copy of the key's newest records.
    DisplayState selectSensor(const std::string& key);
    // The page's periodic take-over: appends what the selected key received since the last
    // take-over (at most what the store still holds) and returns the buffer's size and version.
    DisplayState takeOver();
    DisplayState displayState() const;
    // Wireless-concentrator mode: records go straight into the buffer when key is the selected one.
    void appendToDisplay(const std::string& key, StoredRecord r);
    std::optional<TextRecord> displayRecord(std::size_t row) const;
    std::optional<std::string> displayCell(std::size_t row, Field f) const;
    // Copy of `count` display rows from `first` (fewer at the end), for column fitting and views.
    std::vector<TextRecord> displayRows(std::size_t first, std::size_t count) const;
    std::string selectedKey() const;

    // Heap bytes reserved for records (slots and verbatim texts excluded): for the memory budget.
    std::size_t reservedBytes() const;

  private:
    std::size_t maxRecords_;
    mutable std::mutex mutex_;  // guards everything below
    std::map<std::string, RecordRing> records_;
    std::map<std::string, std::int32_t> appendCounts_;
    RecordRing display_{maxRecords_};
    std::string selectedKey_;
    std::int32_t takenOver_ = 0;
    std::uint32_t displayVersion_ = 0;
};

}  // namespace talvex::acquisition
