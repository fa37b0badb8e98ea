// A bounded sequence of stored records that keeps the newest ones: appending to a full ring drops
// the oldest. Index 0 is the oldest record held. Not thread-safe; the record store guards it.
#pragma once

#include <cstddef>
#include <vector>

#include "talvex/acquisition/measurement.hpp"

namespace talvex::acquisition {

class RecordRing {
  public:
    explicit RecordRing(std::size_t capacity) : capacity_(capacity) {}

    void push(StoredRecord r);
    void clear();
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    std::size_t capacity() const { return capacity_; }
    const StoredRecord& operator[](std::size_t i) const { return items_[(head_ + i) % items_.size()]; }
    // Bytes held on the heap (slots reserved, verbatim texts not counted).
    std::size_t reservedBytes() const { return items_.capacity() * sizeof(StoredRecord); }

  private:
    std::size_t capacity_;
    std::size_t head_ = 0;  // index of the oldest record once the ring is full
    std::vector<StoredRecord> items_;
};

}  // namespace talvex::acquisition
