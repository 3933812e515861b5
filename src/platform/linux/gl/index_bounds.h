// Where the indices of an index buffer point, known from its unlocks: the smallest and largest
// index of each range written, so that a draw is checked against its vertices without reading
// its indices again.
#pragma once

#include <cstdint>
#include <map>

#include "platform/gfx/d3d_types.h"

namespace gfx::gl {

class IndexBounds {
public:
    // `indexSize` is 2 or 4 bytes.
    explicit IndexBounds(UINT indexSize) : indexSize_(indexSize) {}

    // The buffer's `size` bytes now hold what was written into bytes [begin, end).
    void Written(const std::uint8_t* bytes, std::size_t size, UINT begin, UINT end);
    // Whether every one of the `count` indices from `first`, moved by `base`, names one of
    // `vertices` vertices. Exact: when the bounds of the written ranges can't settle it, the
    // draw's own indices are read.
    bool Fits(const std::uint8_t* bytes, UINT first, UINT count, std::int64_t base,
              std::uint64_t vertices) const;
    // Written ranges on record (whole ones, and what is left of those written over).
    std::size_t Ranges() const { return ranges_.size(); }

private:
    struct Range {
        UINT end;  // one past the last index
        std::uint32_t smallest, largest;
    };
    std::uint32_t At(const std::uint8_t* bytes, UINT index) const;
    // Records indices [first, end) as one range.
    void Record(const std::uint8_t* bytes, UINT first, UINT end);

    UINT indexSize_;
    // By first index; the ranges never overlap.
    std::map<UINT, Range> ranges_;
};

}  // namespace gfx::gl
