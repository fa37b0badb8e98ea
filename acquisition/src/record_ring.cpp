#include "talvex/acquisition/record_ring.hpp"

#include <algorithm>
#include <utility>

namespace talvex::acquisition {

void RecordRing::push(StoredRecord r) {
    if (capacity_ == 0) return;
    if (items_.size() < capacity_) {
        // Grow geometrically but never past the capacity, so a full ring wastes no slots.
        if (items_.size() == items_.capacity())
            items_.reserve(std::min(capacity_, std::max<std::size_t>(64, items_.capacity() * 2)));
        items_.push_back(std::move(r));
        return;
    }
    items_[head_] = std::move(r);
    head_ = (head_ + 1) % capacity_;
}

void RecordRing::clear() {
    std::vector<StoredRecord>().swap(items_);
    head_ = 0;
}

}  // namespace talvex::acquisition
