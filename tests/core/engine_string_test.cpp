#include "core/engine_string.h"

#include <gtest/gtest.h>

namespace {

TEST(EngineString, OwnedCopiesAreIndependentAndTerminated) {
    char buffer[] = {'a', 'b', 'c'};
    core::EngineString s = core::EngineString::copy(buffer, 3);
    buffer[0] = 'x';
    EXPECT_EQ(s.view(), "abc");
    EXPECT_FALSE(s.borrowed());
    EXPECT_EQ(s.data()[3], '\0');
    core::EngineString t = s;
    EXPECT_EQ(t, s);
    EXPECT_NE(t.data(), s.data());
}

TEST(EngineString, BorrowedKeepsReferencingTheSameMemory) {
    static const char image[] = "archive image";
    core::EngineString s = core::EngineString::borrow(image, 7);
    EXPECT_TRUE(s.borrowed());
    EXPECT_EQ(s.data(), image);
    core::EngineString moved = std::move(s);
    EXPECT_EQ(moved.data(), image);
    EXPECT_EQ(moved.view(), "archive");
    EXPECT_TRUE(s.empty());
}

TEST(EngineString, MovedOwnedStringPointsIntoItsOwnStorage) {
    core::EngineString s("a fairly long text that is not stored inline at all");
    core::EngineString moved = std::move(s);
    EXPECT_EQ(moved.view(), "a fairly long text that is not stored inline at all");
    core::EngineString assigned;
    assigned = moved;
    EXPECT_EQ(assigned.view(), moved.view());
    EXPECT_EQ(assigned.data()[assigned.size()], '\0');
}

}  // namespace
