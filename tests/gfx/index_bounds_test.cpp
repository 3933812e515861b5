// Index bounds kept from unlocks: a draw fits its vertices exactly when every index it reads does,
// however the buffer was written, partly rewritten or never written.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/linux/gl/index_bounds.h"

namespace gfx::gl {
namespace {

// A buffer of indices as its storage holds them, with the bounds its unlocks keep.
class Indices {
public:
    Indices(UINT indexSize, UINT count)
        : size_(indexSize), bytes_(count * indexSize), bounds_(indexSize) {}

    // Writes `values` from index `first`, as a lock of that range and its unlock do.
    void Write(UINT first, const std::vector<std::uint32_t>& values) {
        for (std::size_t i = 0; i < values.size(); ++i)
            std::memcpy(&bytes_[(first + i) * size_], &values[i], size_);
        Unlocked(first * size_, static_cast<UINT>((first + values.size()) * size_));
    }
    void Unlocked(UINT begin, UINT end) {
        bounds_.Written(bytes_.data(), bytes_.size(), begin, end);
    }

    bool Fits(UINT first, UINT count, std::int64_t base, std::uint64_t vertices) const {
        return bounds_.Fits(bytes_.data(), first, count, base, vertices);
    }
    // The answer from reading every index of the draw.
    bool Scanned(UINT first, UINT count, std::int64_t base, std::uint64_t vertices) const {
        for (UINT i = first; i < first + count; ++i) {
            std::uint32_t index = 0;
            std::memcpy(&index, &bytes_[i * size_], size_);
            const std::int64_t vertex = std::int64_t(index) + base;
            if (vertex < 0 || vertex >= std::int64_t(vertices))
                return false;
        }
        return true;
    }
    std::vector<std::uint8_t>& Bytes() { return bytes_; }
    const IndexBounds& Bounds() const { return bounds_; }

private:
    UINT size_;
    std::vector<std::uint8_t> bytes_;
    IndexBounds bounds_;
};

TEST(IndexBounds, ADrawFitsWhenItsOwnIndicesDoAndNotOtherwise) {
    Indices buffer(2, 12);
    buffer.Write(0, {0, 1, 2, 2, 1, 3});
    buffer.Write(6, {0, 1, 2, 2, 1, 9});
    EXPECT_TRUE(buffer.Fits(0, 6, 0, 4));
    EXPECT_FALSE(buffer.Fits(0, 6, 1, 4)) << "the base vertex moves index 3 past the end";
    EXPECT_FALSE(buffer.Fits(0, 6, -1, 4)) << "the base vertex moves index 0 before the start";
    EXPECT_FALSE(buffer.Fits(6, 6, 0, 4));
    EXPECT_TRUE(buffer.Fits(6, 6, 0, 10));
    EXPECT_TRUE(buffer.Fits(6, 5, 0, 4)) << "part of a range, without its largest index";
    EXPECT_FALSE(buffer.Fits(0, 12, 0, 4)) << "across two ranges";
}

TEST(IndexBounds, APartialRewriteLeavesTheRestItsOwnBounds) {
    Indices buffer(2, 12);
    buffer.Write(0, {0, 1, 2, 2, 1, 3, 0, 1, 2, 2, 1, 3});
    buffer.Write(8, {7, 7});
    EXPECT_EQ(buffer.Bounds().Ranges(), 3u);
    EXPECT_TRUE(buffer.Fits(0, 8, 0, 4));
    EXPECT_TRUE(buffer.Fits(10, 2, 0, 4));
    EXPECT_FALSE(buffer.Fits(6, 6, 0, 4));
    buffer.Write(9, {0});
    EXPECT_FALSE(buffer.Fits(6, 6, 0, 4));
    buffer.Write(8, {3});
    EXPECT_TRUE(buffer.Fits(0, 12, 0, 4)) << "the large indices were all written over";
    // A rewrite covering several ranges replaces them.
    buffer.Write(0, {5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5});
    EXPECT_EQ(buffer.Bounds().Ranges(), 1u);
    EXPECT_FALSE(buffer.Fits(3, 1, 0, 5));
    EXPECT_TRUE(buffer.Fits(3, 1, -5, 1));
}

TEST(IndexBounds, IndicesNeverWrittenAreZeros) {
    Indices buffer(4, 8);
    buffer.Write(4, {6, 7, 8, 9});
    EXPECT_TRUE(buffer.Fits(0, 4, 0, 1));
    EXPECT_FALSE(buffer.Fits(0, 4, -1, 10));
    EXPECT_FALSE(buffer.Fits(2, 4, 0, 7));
    EXPECT_TRUE(buffer.Fits(2, 4, 0, 8));
}

TEST(IndexBounds, AWriteThatStartsOrEndsInsideAnIndexCountsTheWholeIndex) {
    Indices buffer(2, 4);
    buffer.Write(0, {1, 1});
    buffer.Write(2, {1, 1});
    // The high byte of index 0 alone: it becomes 257.
    buffer.Bytes()[1] = 1;
    buffer.Unlocked(1, 2);
    EXPECT_FALSE(buffer.Fits(0, 2, 0, 2));
    EXPECT_TRUE(buffer.Fits(0, 2, 0, 258));
    // The low byte of index 3 alone: it becomes 255.
    buffer.Bytes()[6] = 0xFF;
    buffer.Unlocked(6, 7);
    EXPECT_FALSE(buffer.Fits(2, 2, 0, 2));
    EXPECT_TRUE(buffer.Fits(2, 2, 0, 256));
}

TEST(IndexBounds, RandomWritesAndDrawsAgreeWithReadingEveryIndex) {
    std::mt19937 random(7);
    for (const UINT size : {2u, 4u}) {
        constexpr UINT kCount = 96;
        Indices buffer(size, kCount);
        for (int round = 0; round < 400; ++round) {
            const UINT first = random() % kCount;
            const UINT count = 1 + random() % std::min<UINT>(kCount - first, 24);
            std::vector<std::uint32_t> values(count);
            for (auto& value : values)
                value = random() % 40;
            buffer.Write(first, values);
            for (int draw = 0; draw < 20; ++draw) {
                const UINT start = random() % kCount;
                const UINT length = 1 + random() % (kCount - start);
                const std::int64_t base = std::int64_t(random() % 20) - 10;
                const std::uint64_t vertices = random() % 50;
                ASSERT_EQ(buffer.Fits(start, length, base, vertices),
                          buffer.Scanned(start, length, base, vertices))
                    << "size " << size << " round " << round << " draw " << start << "+" << length
                    << " base " << base << " of " << vertices;
            }
        }
    }
}

}  // namespace
}  // namespace gfx::gl
