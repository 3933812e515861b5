#include "vfs/mem_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "vfs_test_support.h"

namespace vfs {
namespace {

std::unique_ptr<MemFile> overText(const char* text, std::uint32_t base = 0) {
    auto file = std::make_unique<MemFile>();
    file->open("", kModeRead);
    file->assign(core::EngineString::borrow(text, static_cast<std::uint32_t>(std::strlen(text))));
    file->setBase(base);
    return file;
}

TEST(MemFile, SeekStaysWithinTheBlock) {
    struct Case {
        std::uint32_t base;
        std::int32_t offset;
        int origin;
        bool ok;
        std::uint32_t tell;  // after the seek; the old position (base + 2) when it fails
    };
    // A 10-byte block, positioned at 2 before each seek.
    const Case cases[] = {
        {0, 10, kSeekSet, true, 10},     {0, 11, kSeekSet, false, 2},
        {0, 0, kSeekSet, true, 0},       {0, -1, kSeekSet, false, 2},
        {0, 8, kSeekCur, true, 10},      {0, 9, kSeekCur, false, 2},
        {0, -2, kSeekCur, true, 0},      {0, -3, kSeekCur, false, 2},
        {0, 0, kSeekEnd, true, 10},      {0, -10, kSeekEnd, true, 0},
        {0, 1, kSeekEnd, false, 2},      {0, 4, 7, false, 2},
        {100, 110, kSeekSet, true, 110}, {100, 111, kSeekSet, false, 102},
        {100, 100, kSeekSet, true, 100}, {100, 99, kSeekSet, false, 102},
        {100, 100, kSeekEnd, true, 110}, {100, 90, kSeekEnd, true, 100},
        {100, 5, kSeekCur, true, 107},
    };
    for (const Case& c : cases) {
        auto owner = overText("0123456789", c.base);
        MemFile& file = *owner;
        ASSERT_TRUE(file.seek(c.base + 2, kSeekSet));
        EXPECT_EQ(file.seek(c.offset, c.origin), c.ok)
            << c.base << " " << c.offset << " " << c.origin;
        EXPECT_EQ(file.tell(), c.tell) << c.base << " " << c.offset << " " << c.origin;
    }
}

TEST(MemFile, ReadStopsAtTheEndAndThenReportsEof) {
    auto owner = overText("0123456789");
    MemFile& file = *owner;
    ASSERT_TRUE(file.seek(6, kSeekSet));
    char buffer[10] = {};
    EXPECT_EQ(file.read(buffer, 10), 4);
    EXPECT_EQ(std::string(buffer, 4), "6789");
    EXPECT_FALSE(file.eof());
    EXPECT_EQ(file.read(buffer, 10), 0);
    EXPECT_TRUE(file.eof());
    EXPECT_FALSE(file.readExact(buffer, 1));
    // A seek clears the end flag.
    ASSERT_TRUE(file.seek(-1, kSeekCur));
    EXPECT_FALSE(file.eof());
    EXPECT_EQ(file.read(buffer, 1), 1);
    EXPECT_EQ(buffer[0], '9');
}

TEST(MemFile, WritesReplaceAndExtendAcrossChunks) {
    MemFile file;
    file.open("x", kModeWrite);
    const std::vector<std::uint8_t> first = testing::patternBytes(MemFile::kChunkSize * 2 + 100, 1);
    EXPECT_EQ(file.write(first.data(), static_cast<std::uint32_t>(first.size())),
              static_cast<int>(first.size()));
    EXPECT_EQ(file.size(), first.size());

    // Overwrite a stretch that straddles a chunk boundary and runs past the end.
    const std::vector<std::uint8_t> second = testing::patternBytes(MemFile::kChunkSize, 2);
    const std::uint32_t at = MemFile::kChunkSize * 2 - 10;
    ASSERT_TRUE(file.seek(static_cast<std::int32_t>(at), kSeekSet));
    file.write(second.data(), static_cast<std::uint32_t>(second.size()));
    EXPECT_EQ(file.tell(), at + second.size());

    std::vector<std::uint8_t> expected = first;
    expected.resize(at + second.size());
    std::copy(second.begin(), second.end(), expected.begin() + at);
    EXPECT_EQ(file.bufferBytes(), expected);

    ASSERT_TRUE(file.seek(static_cast<std::int32_t>(at) - 5, kSeekSet));
    std::vector<std::uint8_t> back(30);
    EXPECT_EQ(file.read(back.data(), 30), 30);
    EXPECT_TRUE(std::equal(back.begin(), back.end(), expected.begin() + at - 5));
}

TEST(MemFile, WriteModeTakesACopyOfAssignedBytes) {
    static const char text[] = "abc";
    MemFile file;
    file.open("", kModeRead | kModeWrite);
    file.assign(core::EngineString::borrow(text, 3));
    EXPECT_TRUE(file.block().empty());
    EXPECT_EQ(file.size(), 3u);
    EXPECT_EQ(file.tell(), 0u);
    file.write("X", 1);
    EXPECT_EQ(file.bufferBytes(), testing::bytesOf("Xbc"));
    EXPECT_EQ(std::string(text), "abc");
}

}  // namespace
}  // namespace vfs
