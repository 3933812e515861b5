#include "archive_damage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/engine_string.h"
#include "vfs/file_source.h"
#include "vfs/rar_archive.h"
#include "vfs/rar_writer.h"

namespace faults {
namespace {

std::vector<std::uint8_t> Bytes(std::size_t count, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    }
    return bytes;
}

// A folder entry and three files, as the build packs the media folder.
std::vector<ArchiveEntry> SampleEntries() {
    return {{"Media", true, {}},
            {"Media\\a.cam", false, Bytes(101, 1)},
            {"Media\\b.ogg", false, Bytes(4000, 2)},
            {"Media\\c.fs", false, Bytes(9, 3)}};
}

// What the archive reader extracts for `name`; nothing when it refuses.
std::optional<std::vector<std::uint8_t>> Extract(const std::vector<std::uint8_t>& image,
                                                 const std::string& name) {
    vfs::RarArchive archive;
    EXPECT_TRUE(archive.mount(vfs::FileSource(image.data(), std::uint32_t(image.size()))));
    core::EngineString bytes;
    if (!archive.extract(name, bytes)) {
        return std::nullopt;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    return std::vector<std::uint8_t>(data, data + bytes.size());
}

TEST(ArchiveDamage, EntriesReadBackFromTheWriterAndPackToTheSameImage) {
    const std::vector<ArchiveEntry> entries = SampleEntries();
    vfs::RarWriter writer;
    writer.addFolder("Media");
    for (std::size_t i = 1; i < entries.size(); ++i) {
        writer.addFile(entries[i].name, entries[i].bytes);
    }
    const std::vector<std::uint8_t> image = writer.finish();

    const auto read = ReadEntries(image);
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(read->size(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ((*read)[i].name, entries[i].name);
        EXPECT_EQ((*read)[i].folder, entries[i].folder) << entries[i].name;
        EXPECT_EQ((*read)[i].bytes, entries[i].bytes) << entries[i].name;
    }
    EXPECT_EQ(Pack(*read), image);
}

TEST(ArchiveDamage, ImagesThatCantBeWalkedGiveNoEntries) {
    const std::vector<std::uint8_t> image = Pack(SampleEntries());
    EXPECT_FALSE(ReadEntries({}).has_value());
    EXPECT_FALSE(ReadEntries(std::vector<std::uint8_t>(image.size(), 0)).has_value());
    // Cut inside the last file's data, and before the end block.
    EXPECT_FALSE(ReadEntries(std::span(image).first(image.size() - 20)).has_value());
    EXPECT_FALSE(ReadEntries(std::span(image).first(image.size() - 7)).has_value());
}

TEST(ArchiveDamage, EachDamageReachesTheReaderAndLeavesTheOtherEntries) {
    const std::vector<ArchiveEntry> entries = SampleEntries();
    const std::vector<std::uint8_t>& original = entries[2].bytes;
    for (Damage damage : {Damage::LeftOut, Damage::Truncated, Damage::Flipped}) {
        SCOPED_TRACE(std::string(DamageName(damage)));
        const std::vector<std::uint8_t> image = PackDamaged(entries, 2, damage);
        const auto damaged = Extract(image, "Media\\b.ogg");
        switch (damage) {
            case Damage::LeftOut:
                EXPECT_FALSE(damaged.has_value());
                break;
            case Damage::Truncated:
                ASSERT_TRUE(damaged.has_value()) << "the checksum is that of the half";
                EXPECT_EQ(*damaged,
                          std::vector<std::uint8_t>(original.begin(), original.begin() + 2000));
                break;
            case Damage::Flipped: {
                ASSERT_TRUE(damaged.has_value()) << "the checksum is that of the flipped bytes";
                ASSERT_EQ(damaged->size(), original.size());
                for (std::size_t i = 0; i < original.size(); ++i) {
                    const bool inMiddle = i >= 1992 && i < 2008;
                    EXPECT_EQ((*damaged)[i], inMiddle ? original[i] ^ 0xFF : original[i]) << i;
                }
                break;
            }
        }
        EXPECT_EQ(Extract(image, "Media\\a.cam"), entries[1].bytes);
        EXPECT_EQ(Extract(image, "Media\\c.fs"), entries[3].bytes);
    }
}

TEST(ArchiveDamage, SmallEntriesAreDamagedWhole) {
    const std::vector<std::uint8_t> tiny = {1, 2, 3};
    EXPECT_EQ(Damaged(tiny, Damage::Flipped), (std::vector<std::uint8_t>{0xFE, 0xFD, 0xFC}));
    EXPECT_EQ(Damaged(tiny, Damage::Truncated), (std::vector<std::uint8_t>{1}));
    EXPECT_EQ(Damaged({}, Damage::Flipped), std::vector<std::uint8_t>{});
    EXPECT_EQ(BaseName("Media\\clock.UDF"), "clock.UDF");
    EXPECT_EQ(BaseName("Media"), "Media");
}

}  // namespace
}  // namespace faults
