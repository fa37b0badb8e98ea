#include "talvex/acquisition/record_store.hpp"

#include <algorithm>
#include <utility>

namespace talvex::acquisition {

void RecordStore::append(const std::string& key, StoredRecord r) {
    std::lock_guard lock(mutex_);
    auto it = records_.find(key);
    if (it == records_.end()) it = records_.emplace(key, RecordRing(maxRecords_)).first;
    it->second.push(std::move(r));
    ++appendCounts_[key];
}

std::int32_t RecordStore::appendCount(const std::string& key) const {
    std::lock_guard lock(mutex_);
    const auto it = appendCounts_.find(key);
    return it == appendCounts_.end() ? 0 : it->second;
}

std::size_t RecordStore::recordCount(const std::string& key) const {
    std::lock_guard lock(mutex_);
    const auto it = records_.find(key);
    return it == records_.end() ? 0 : it->second.size();
}

std::vector<StoredRecord> RecordStore::records(const std::string& key, std::size_t newest) const {
    std::lock_guard lock(mutex_);
    std::vector<StoredRecord> out;
    const auto it = records_.find(key);
    if (it == records_.end()) return out;
    const RecordRing& ring = it->second;
    const std::size_t n = std::min(newest, ring.size());
    out.reserve(n);
    for (std::size_t i = ring.size() - n; i < ring.size(); ++i) out.push_back(ring[i]);
    return out;
}

std::vector<std::string> RecordStore::keys() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& [k, ring] : records_) out.push_back(k);
    return out;
}

void RecordStore::replaceRecords(std::map<std::string, std::vector<StoredRecord>> loaded) {
    // Build the rings outside the lock; swap them in under it.
    std::map<std::string, RecordRing> fresh;
    for (auto& [key, list] : loaded) {
        RecordRing ring(maxRecords_);
        const std::size_t skip = list.size() > maxRecords_ ? list.size() - maxRecords_ : 0;
        for (std::size_t i = skip; i < list.size(); ++i) ring.push(std::move(list[i]));
        fresh.emplace(key, std::move(ring));
    }
    std::lock_guard lock(mutex_);
    records_.swap(fresh);
}

void RecordStore::clearAll() {
    std::lock_guard lock(mutex_);
    records_.clear();
    appendCounts_.clear();
    takenOver_ = 0;
    display_.clear();
    ++displayVersion_;
}

void RecordStore::clearSensor(const std::string& key) {
    std::lock_guard lock(mutex_);
    records_.erase(key);
    appendCounts_.erase(key);
    if (key == selectedKey_) {
        display_.clear();
        takenOver_ = 0;
        ++displayVersion_;
    }
}

RecordStore::DisplayState RecordStore::selectSensor(const std::string& key) {
    std::lock_guard lock(mutex_);
    display_.clear();
    if (const auto it = records_.find(key); it != records_.end())
        for (std::size_t i = 0; i < it->second.size(); ++i) display_.push(it->second[i]);
    selectedKey_ = key;
    takenOver_ = appendCounts_[key];
    ++displayVersion_;
    return {display_.size(), displayVersion_};
}

RecordStore::DisplayState RecordStore::takeOver() {
    std::lock_guard lock(mutex_);
    if (!selectedKey_.empty()) {
        if (const auto it = records_.find(selectedKey_); it != records_.end()) {
            const std::int32_t count = appendCounts_[selectedKey_];
            const std::int64_t fresh = static_cast<std::int64_t>(count) - takenOver_;
            if (fresh > 0) {
                const RecordRing& ring = it->second;
                const std::size_t n = std::min(static_cast<std::size_t>(fresh), ring.size());
                for (std::size_t i = ring.size() - n; i < ring.size(); ++i) display_.push(ring[i]);
                ++displayVersion_;
            }
            takenOver_ = count;
        }
    }
    return {display_.size(), displayVersion_};
}

RecordStore::DisplayState RecordStore::displayState() const {
    std::lock_guard lock(mutex_);
    return {display_.size(), displayVersion_};
}

void RecordStore::appendToDisplay(const std::string& key, StoredRecord r) {
    std::lock_guard lock(mutex_);
    if (key != selectedKey_) return;
    display_.push(std::move(r));
    ++displayVersion_;
}

std::optional<TextRecord> RecordStore::displayRecord(std::size_t row) const {
    std::lock_guard lock(mutex_);
    if (row >= display_.size()) return std::nullopt;
    return display_[row].texts();
}

std::optional<std::string> RecordStore::displayCell(std::size_t row, Field f) const {
    std::lock_guard lock(mutex_);
    if (row >= display_.size()) return std::nullopt;
    return display_[row].field(f);
}

std::vector<TextRecord> RecordStore::displayRows(std::size_t first, std::size_t count) const {
    std::lock_guard lock(mutex_);
    std::vector<TextRecord> out;
    for (std::size_t i = first; i < display_.size() && i - first < count; ++i)
        out.push_back(display_[i].texts());
    return out;
}

std::string RecordStore::selectedKey() const {
    std::lock_guard lock(mutex_);
    return selectedKey_;
}

std::size_t RecordStore::reservedBytes() const {
    std::lock_guard lock(mutex_);
    std::size_t total = display_.reservedBytes();
    for (const auto& [k, ring] : records_) total += ring.reservedBytes();
    return total;
}

}  // namespace talvex::acquisition
