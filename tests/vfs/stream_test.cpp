#include "vfs/stream.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "vfs/disk_file.h"
#include "vfs/mem_file.h"
#include "vfs_test_support.h"

namespace vfs {
namespace {

std::unique_ptr<MemFile> overBytes(const std::vector<std::uint8_t>& bytes) {
    auto file = std::make_unique<MemFile>();
    file->open("", kModeRead);
    file->assign(
        core::EngineString::borrow(bytes.data(), static_cast<std::uint32_t>(bytes.size())));
    return file;
}

TEST(Stream, FieldsAreLittleEndianAndRoundTrip) {
    MemFile out;
    out.open("", kModeWrite);
    EXPECT_TRUE(out.writeU32(0x11223344u));
    EXPECT_TRUE(out.writeU8(0xAB));
    EXPECT_TRUE(out.writeU32(3));
    EXPECT_TRUE(out.writeExact("xyz", 3));
    EXPECT_TRUE(out.writeU32(2));
    EXPECT_TRUE(out.writeExact("\x41\x04\x00\x01", 4));
    const std::vector<std::uint8_t> bytes = out.bufferBytes();
    EXPECT_EQ(bytes[0], 0x44);
    EXPECT_EQ(bytes[3], 0x11);

    auto inFile = overBytes(bytes);
    MemFile& in = *inFile;
    std::uint32_t u = 0;
    std::uint8_t b = 0;
    core::EngineString text;
    std::u16string wide;
    EXPECT_TRUE(in.readU32(u));
    EXPECT_EQ(u, 0x11223344u);
    EXPECT_TRUE(in.readU8(b));
    EXPECT_EQ(b, 0xAB);
    EXPECT_TRUE(in.readString(text));
    EXPECT_EQ(text.view(), "xyz");
    EXPECT_EQ(text.data()[3], '\0');
    EXPECT_TRUE(in.readWideString(wide));
    EXPECT_EQ(wide, (std::u16string{0x0441, 0x0100}));
    EXPECT_FALSE(in.readU8(b));
    EXPECT_EQ(b, 0);
}

TEST(Stream, LengthsLargerThanTheStreamAreRefusedBeforeAllocating) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        bool wide;
    };
    const Case cases[] = {
        {{0xFF, 0xFF, 0xFF, 0xFF, 'a'}, false},
        {{0x06, 0x00, 0x00, 0x00, 'a', 'b'}, false},
        {{0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'}, true},
        {{0x02, 0x00, 0x00, 0x00, 'a', 'b'}, true},
    };
    for (const Case& c : cases) {
        auto inFile = overBytes(c.bytes);
        MemFile& in = *inFile;
        if (c.wide) {
            std::u16string wide;
            EXPECT_FALSE(in.readWideString(wide));
        } else {
            core::EngineString text;
            EXPECT_FALSE(in.readString(text));
            EXPECT_TRUE(text.empty());
        }
    }
}

TEST(DiskFile, MovesWholeCountsAsOneItem) {
    testing::ScratchFolder folder;
    const std::string path = (folder.path() / "f.bin").string();
    DiskFile out;
    ASSERT_TRUE(out.open(path, kModeWrite));
    EXPECT_EQ(out.write("hello", 5), 1);
    EXPECT_TRUE(out.writeU32(7));
    EXPECT_TRUE(out.close());

    DiskFile in;
    ASSERT_TRUE(in.open(path, kModeRead));
    EXPECT_EQ(in.size(), 9u);
    char buffer[16] = {};
    EXPECT_EQ(in.read(buffer, 5), 1);
    EXPECT_EQ(in.tell(), 5u);
    std::uint32_t u = 0;
    EXPECT_TRUE(in.readU32(u));
    EXPECT_EQ(u, 7u);
    EXPECT_TRUE(in.seek(-4, kSeekEnd));
    EXPECT_EQ(in.read(buffer, 8), 0);  // short: nothing counts
    EXPECT_TRUE(in.eof());
    EXPECT_TRUE(in.seek(1, kSeekSet));
    EXPECT_EQ(in.read(buffer, 4), 1);
    EXPECT_EQ(std::string(buffer, 4), "ello");
}

TEST(DiskFile, BothModeBitsUpdateAnExistingFile) {
    testing::ScratchFolder folder;
    const auto path = folder.write("f.txt", "abcdef");
    DiskFile file;
    ASSERT_TRUE(file.open(path.string(), kModeRead | kModeWrite));
    ASSERT_TRUE(file.seek(2, kSeekSet));
    EXPECT_EQ(file.write("XY", 2), 1);
    file.close();
    EXPECT_EQ(testing::readFile(path), "abXYef");
}

}  // namespace
}  // namespace vfs
