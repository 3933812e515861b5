#include "vfs/rar_archive.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/memory_resources.h"
#include "vfs/mem_file.h"
#include "vfs_test_support.h"

namespace vfs {
namespace {

using testing::bytesOf;
using testing::patternBytes;

std::string contentsOf(Stream& stream) {
    std::string out(stream.size(), '\0');
    EXPECT_TRUE(stream.readExact(out.data(), stream.size()));
    return out;
}

// The media archive's shape: a folder entry, then stored files under it.
struct Sample {
    std::vector<std::uint8_t> image;
    RarWriter::Placement cam;
    RarWriter::Placement props;
};

Sample sampleArchive() {
    Sample s;
    RarWriter writer;
    writer.addFolder("Media");
    writer.addFile("Media\\c1.cam", bytesOf("camera one"), &s.cam);
    writer.addFile("Media\\clock.UDF", patternBytes(5000, 7));
    writer.addFile("Media\\Scene.props", bytesOf("Fov = 70;"), &s.props);
    s.image = writer.finish();
    return s;
}

class MountedArchive {
public:
    explicit MountedArchive(std::vector<std::uint8_t> image) : image_(std::move(image)) {
        EXPECT_TRUE(
            archive.mount(FileSource(image_.data(), static_cast<std::uint32_t>(image_.size()))));
    }
    RarArchive archive;

private:
    std::vector<std::uint8_t> image_;
};

TEST(RarArchive, NamesMatchWithEitherSeparatorAndAnyCase) {
    MountedArchive m(sampleArchive().image);
    const char* const one = "camera one";
    struct Case {
        const char* name;
        const char* contents;  // null: not found
    };
    const Case cases[] = {
        {"Media\\c1.cam", one},
        {"Media/c1.cam", one},
        {"media\\C1.CAM", one},
        {"MEDIA/c1.cam", one},
        {"Media_c1.cam", one},
        {"Media/c1.ca", nullptr},
        {"Media/c1.cam ", nullptr},
        {"Media//c1.cam", nullptr},
        {"c1.cam", nullptr},
        {"Media/c2.cam", nullptr},
        {"", nullptr},
        {"media", ""},
        {"Media/scene.PROPS", "Fov = 70;"},
    };
    for (const Case& c : cases) {
        auto stream = m.archive.open(c.name, kModeRead);
        ASSERT_EQ(stream != nullptr, c.contents != nullptr) << c.name;
        if (stream) {
            EXPECT_EQ(contentsOf(*stream), c.contents) << c.name;
        }
        // Whether an entry is there only shows when it is opened.
        EXPECT_TRUE(m.archive.exists(c.name));
    }
}

TEST(RarArchive, NameComparisonFoldsOnlyAsciiAndCutsAt512Bytes) {
    EXPECT_TRUE(RarArchive::namesEqual("a\\b/c", "A_B_C"));
    EXPECT_FALSE(RarArchive::namesEqual("\xE0", "\xC0"));  // Cyrillic letters keep their case
    EXPECT_FALSE(RarArchive::namesEqual("a", "a_"));
    const std::string base(512, 'x');
    EXPECT_TRUE(RarArchive::namesEqual(base + "tail", base + "other"));
    EXPECT_FALSE(RarArchive::namesEqual(base.substr(1) + "y", base.substr(1) + "z"));
}

TEST(RarArchive, DamagedDataFailsItsCrcButLeavesOtherEntries) {
    Sample s = sampleArchive();
    s.image[s.cam.data + 3] ^= 0x01;
    MountedArchive m(s.image);
    EXPECT_FALSE(m.archive.open("Media/c1.cam", kModeRead));
    EXPECT_TRUE(m.archive.open("Media/Scene.props", kModeRead));
}

TEST(RarArchive, FirstEntryOfANameDecidesEvenWhenItsVersionIsRefused) {
    RarWriter writer;
    RarWriter::Placement first;
    writer.addFile("Media\\c1.cam", bytesOf("first"), &first);
    writer.addFile("MEDIA\\C1.CAM", bytesOf("second"));
    writer.addFile("Media\\c2.cam", bytesOf("two"));
    std::vector<std::uint8_t> image = writer.finish();
    {
        MountedArchive m(image);
        auto stream = m.archive.open("Media/c1.cam", kModeRead);
        ASSERT_TRUE(stream);
        EXPECT_EQ(contentsOf(*stream), "first");
    }
    for (std::uint8_t version : {12, 13, 20, 21, 29}) {
        image[first.header + testing::kUnpVer] = version;
        MountedArchive m(image);
        EXPECT_EQ(m.archive.open("Media/c1.cam", kModeRead) != nullptr,
                  version >= 13 && version <= 20)
            << int(version);
        // Entries that aren't wanted aren't checked in an archive that isn't solid.
        EXPECT_TRUE(m.archive.open("Media/c2.cam", kModeRead)) << int(version);
    }
}

TEST(RarArchive, SolidArchiveChecksEveryEntryOnTheWay) {
    RarWriter writer;
    RarWriter::Placement first;
    writer.addFile("a", bytesOf("aaa"), &first);
    writer.addFile("b", bytesOf("bbb"));
    std::vector<std::uint8_t> image = writer.finish();
    image[7 + testing::kHeadFlags] |= 0x08;  // solid
    {
        MountedArchive m(image);
        EXPECT_TRUE(m.archive.open("b", kModeRead));
    }
    image[first.header + testing::kUnpVer] = 29;
    MountedArchive m(image);
    EXPECT_FALSE(m.archive.open("b", kModeRead));
}

TEST(RarArchive, CompressedEntriesAreNotExtracted) {
    Sample s = sampleArchive();
    s.image[s.cam.header + testing::kMethod] = 0x33;
    MountedArchive m(s.image);
    EXPECT_FALSE(m.archive.open("Media/c1.cam", kModeRead));
    EXPECT_TRUE(m.archive.open("Media/Scene.props", kModeRead));
}

TEST(RarArchive, OtherBlocksAreSkippedAndAnEndOfSearchBlockStops) {
    RarWriter writer;
    writer.addFile("a", bytesOf("aaa"));
    writer.addFile("b", bytesOf("bbb"));
    writer.addFile("c", bytesOf("ccc"));
    std::vector<std::uint8_t> image = writer.finish();
    const std::size_t second = 7 + 13 + 32 + 1 + 3;
    const std::size_t third = second + 32 + 1 + 3;
    image[second + testing::kHeadType] = 0x7A;  // a sub-block with its data area: skipped whole
    {
        MountedArchive m(image);
        EXPECT_FALSE(m.archive.open("b", kModeRead));
        EXPECT_TRUE(m.archive.open("c", kModeRead));
    }
    image[second + testing::kHeadType] = 0x77;
    MountedArchive m(image);
    EXPECT_TRUE(m.archive.open("a", kModeRead));
    EXPECT_FALSE(m.archive.open("c", kModeRead));
    EXPECT_EQ(image[third + testing::kHeadType], 0x74);
}

TEST(RarArchive, WriteModeCopiesTheEntryIntoAWritableFile) {
    MountedArchive m(sampleArchive().image);
    auto stream = m.archive.open("Media/Scene.props", kModeRead | kModeWrite);
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->size(), 9u);
    ASSERT_TRUE(stream->seek(0, kSeekEnd));
    EXPECT_TRUE(stream->writeExact("!", 1));
    ASSERT_TRUE(stream->seek(0, kSeekSet));
    EXPECT_EQ(contentsOf(*stream), "Fov = 70;!");
    // The archive itself is unchanged.
    auto again = m.archive.open("Media/Scene.props", kModeRead);
    ASSERT_TRUE(again);
    EXPECT_EQ(contentsOf(*again), "Fov = 70;");
}

TEST(RarArchive, MountsAResourceInPlaceAndFailsQuietlyWithoutOne) {
    platform::fake::MemoryResources resources;
    resources.Add("MEMFILE", 147, sampleArchive().image);
    setModuleResources(&resources);
    RarArchive archive;
    EXPECT_FALSE(archive.mount(FileSource(ResourceId{148})));
    EXPECT_EQ(archive.size(), 0u);
    ASSERT_TRUE(archive.mount(FileSource(ResourceId{147})));
    EXPECT_TRUE(archive.borrowed());
    EXPECT_EQ(archive.data(), resources.Find("MemFile", 147)->data());
    auto stream = archive.open("Media/c1.cam", kModeRead);
    ASSERT_TRUE(stream);
    EXPECT_EQ(contentsOf(*stream), "camera one");
    setModuleResources(nullptr);
}

// Damaged images must fail quietly: sizes that can't be right are refused before anything is
// allocated for them, and no walk runs past the image or round in circles.
TEST(RarArchive, RefusesDamagedHeaders) {
    const Sample s = sampleArchive();
    struct Case {
        const char* what;
        std::size_t at;
        std::uint32_t value;
        int width;
    };
    const std::size_t cam = s.cam.header;
    const Case cases[] = {
        {"unpacked size larger than packed", cam + testing::kUnpSize, 0xFFFFFFF0u, 4},
        {"unpacked size smaller than packed", cam + testing::kUnpSize, 3, 4},
        {"both sizes running past the image", cam + testing::kPackSize, 0x7FFFFFFFu, 4},
        {"both sizes near the 32-bit limit", cam + testing::kPackSize, 0xFFFFFFFFu, 4},
        {"header size below 7", cam + testing::kHeadSize, 6, 2},
        {"name running past the image", cam + testing::kNameSize, 0xFFFF, 2},
        {"main header pointing past the image", 7 + 5, 0xFFFF, 2},
        {"foreign marker", 3, 'X', 2},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> image = s.image;
        if (c.width == 4) {
            testing::put32(image, c.at, c.value);
            if (c.at == cam + testing::kPackSize) {
                testing::put32(image, cam + testing::kUnpSize, c.value);
            }
        } else {
            testing::put16(image, c.at, static_cast<std::uint16_t>(c.value));
        }
        MountedArchive m(image);
        EXPECT_FALSE(m.archive.open("Media/c1.cam", kModeRead)) << c.what;
        EXPECT_FALSE(m.archive.open("Media/absent", kModeRead)) << c.what;
    }
}

TEST(RarArchive, EveryTruncationFailsQuietly) {
    const std::vector<std::uint8_t> full = sampleArchive().image;
    for (std::size_t n = 0; n < full.size(); ++n) {
        std::vector<std::uint8_t> image(full.begin(), full.begin() + static_cast<long>(n));
        MountedArchive m(image);
        auto stream = m.archive.open("Media/Scene.props", kModeRead);
        // The last entry is whole once its data is; only the closing block may be missing.
        EXPECT_EQ(stream != nullptr, n >= full.size() - 7) << n;
    }
}

}  // namespace
}  // namespace vfs
