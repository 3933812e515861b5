#include "platform/linux/gl/index_bounds.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace gfx::gl {

namespace {

bool Inside(std::uint32_t smallest, std::uint32_t largest, std::int64_t base,
            std::uint64_t vertices) {
    return static_cast<std::int64_t>(smallest) + base >= 0 &&
           static_cast<std::int64_t>(largest) + base < static_cast<std::int64_t>(vertices);
}

}  // namespace

std::uint32_t IndexBounds::At(const std::uint8_t* bytes, UINT index) const {
    if (indexSize_ == 4) {
        std::uint32_t value;
        std::memcpy(&value, bytes + std::size_t(index) * 4, 4);
        return value;
    }
    std::uint16_t value;
    std::memcpy(&value, bytes + std::size_t(index) * 2, 2);
    return value;
}

void IndexBounds::Record(const std::uint8_t* bytes, UINT first, UINT end) {
    Range range{end, UINT32_MAX, 0};
    for (UINT i = first; i < end; ++i) {
        const std::uint32_t index = At(bytes, i);
        range.smallest = std::min(range.smallest, index);
        range.largest = std::max(range.largest, index);
    }
    ranges_[first] = range;
}

void IndexBounds::Written(const std::uint8_t* bytes, std::size_t size, UINT begin, UINT end) {
    // A write may start or end inside an index; the whole index counts as written.
    const auto total = static_cast<UINT>(size / indexSize_);
    const UINT first = begin / indexSize_;
    const UINT last = std::min(total, (end + indexSize_ - 1) / indexSize_);
    if (first >= last)
        return;
    auto at = ranges_.lower_bound(first);
    if (at != ranges_.begin() && std::prev(at)->second.end > first)
        --at;
    // Ranges written over keep only what lies outside the new one, with bounds of their own.
    while (at != ranges_.end() && at->first < last) {
        const UINT oldFirst = at->first, oldEnd = at->second.end;
        at = ranges_.erase(at);
        if (oldFirst < first)
            Record(bytes, oldFirst, first);
        if (oldEnd > last)
            Record(bytes, last, oldEnd);
    }
    Record(bytes, first, last);
}

bool IndexBounds::Fits(const std::uint8_t* bytes, UINT first, UINT count, std::int64_t base,
                       std::uint64_t vertices) const {
    const std::uint64_t end = std::uint64_t(first) + count;
    std::uint32_t smallest = UINT32_MAX, largest = 0;
    auto at = ranges_.upper_bound(first);
    bool covered = at != ranges_.begin();
    if (covered)
        --at;
    for (std::uint64_t next = first; covered && next < end; ++at) {
        if (at == ranges_.end() || at->first > next || at->second.end <= next) {
            covered = false;
            break;
        }
        smallest = std::min(smallest, at->second.smallest);
        largest = std::max(largest, at->second.largest);
        next = at->second.end;
    }
    if (covered && Inside(smallest, largest, base, vertices))
        return true;
    // The ranges' bounds are wider than the draw's own when it takes part of a range, and a
    // range never written holds zeros: only the draw's indices can refuse it.
    smallest = UINT32_MAX;
    largest = 0;
    for (UINT i = first; i < end; ++i) {
        const std::uint32_t index = At(bytes, i);
        smallest = std::min(smallest, index);
        largest = std::max(largest, index);
    }
    return Inside(smallest, largest, base, vertices);
}

}  // namespace gfx::gl
