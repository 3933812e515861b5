// The packer's archives against a peer reader (bsdtar) and against our own reader, and the media
// archive embedded in this program.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "vfs/rar_archive.h"
#include "vfs_test_support.h"

namespace vfs {
namespace {

namespace fs = std::filesystem;

const std::string kRarpack = std::string(ZORVANE_BINARY_DIR) + "/tools/rarpack/rarpack";

int run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

struct PackedFolder {
    testing::ScratchFolder scratch;
    fs::path archive;
    std::vector<std::pair<std::string, std::string>> files;  // relative name, bytes

    PackedFolder() {
        const std::vector<std::uint8_t> binary = testing::patternBytes(70000, 3);
        files = {
            {"Scene.props", "Fov = 70;\n"},
            {"clock.UDF", std::string(binary.begin(), binary.end())},
            {"empty.txt", ""},
            {"sub/c1.cam", "camera"},
        };
        for (const auto& [name, bytes] : files) {
            scratch.write("Media/" + name, bytes);
        }
        archive = scratch.path() / "Media.rar";
        EXPECT_EQ(run(kRarpack + " " + quoted(archive) + " " + quoted(scratch.path() / "Media")),
                  0);
    }
};

TEST(Rarpack, PeerReaderExtractsEveryFileByteForByte) {
    PackedFolder packed;
    const fs::path out = packed.scratch.path() / "out";
    fs::create_directories(out);
    ASSERT_EQ(run("bsdtar -x -f " + quoted(packed.archive) + " -C " + quoted(out)), 0);
    for (const auto& [name, bytes] : packed.files) {
        const fs::path file = out / "Media" / name;
        ASSERT_TRUE(fs::is_regular_file(file)) << name;
        EXPECT_EQ(testing::readFile(file), bytes) << name;
    }
    EXPECT_TRUE(fs::is_directory(out / "Media" / "sub"));
}

TEST(Rarpack, OurReaderFindsEveryFileAndTheOutputIsStable) {
    PackedFolder packed;
    const std::string image = testing::readFile(packed.archive);
    RarArchive archive;
    ASSERT_TRUE(archive.mount(FileSource(image.data(), static_cast<std::uint32_t>(image.size()))));
    for (const auto& [name, bytes] : packed.files) {
        auto stream = archive.open("Media/" + name, kModeRead);
        ASSERT_TRUE(stream) << name;
        std::string read(stream->size(), '\0');
        EXPECT_TRUE(stream->readExact(read.data(), stream->size()));
        EXPECT_EQ(read, bytes) << name;
    }
    auto folder = archive.open("Media", kModeRead);
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->size(), 0u);

    // Packing the same files again gives the same bytes.
    const fs::path again = packed.scratch.path() / "again.rar";
    ASSERT_EQ(
        run(kRarpack + " " + quoted(again) + " " + quoted(packed.scratch.path() / "Media") + "/"),
        0);
    EXPECT_EQ(testing::readFile(again), image);
    // The layout the media archive promises: the folder entry first, headers of 32 + name bytes,
    // and a 7-byte end block.
    ASSERT_GT(image.size(), 60u);
    EXPECT_EQ(static_cast<std::uint8_t>(image[20 + 2]), 0x74);
    EXPECT_EQ(image.substr(20 + 32, 5), "Media");
    EXPECT_EQ(static_cast<std::uint8_t>(image[20 + 5]), 37);
    EXPECT_EQ(static_cast<std::uint8_t>(image[image.size() - 7 + 2]), 0x7B);
}

TEST(Rarpack, RefusesAMissingFolder) {
    testing::ScratchFolder scratch;
    EXPECT_NE(run(kRarpack + " " + quoted(scratch.path() / "x.rar") + " " +
                  quoted(scratch.path() / "absent")),
              0);
    EXPECT_FALSE(fs::exists(scratch.path() / "x.rar"));
}

// Entry names are "Media\<folder>\<file>"; the reader compares their first 259 bytes.
TEST(Rarpack, NamesLongerThanTheReaderComparesAreRefused) {
    struct Case {
        std::size_t fileLength;
        bool packed;
    };
    const std::string folder(200, 'f');
    for (const Case c : {Case{52, true}, Case{53, false}, Case{54, false}}) {
        testing::ScratchFolder scratch;
        const std::string file = std::string(c.fileLength - 4, 'n') + ".txt";
        const std::string name = "Media\\" + folder + "\\" + file;
        scratch.write("Media/" + folder + "/" + file, "far down");
        scratch.write("Media/short.txt", "near");
        const fs::path archivePath = scratch.path() / "Media.rar";
        const fs::path errors = scratch.path() / "stderr.txt";
        const int status = std::system((kRarpack + " " + quoted(archivePath) + " " +
                                        quoted(scratch.path() / "Media") + " 2>" + quoted(errors))
                                           .c_str());
        ASSERT_TRUE(WIFEXITED(status)) << name.size();
        const std::string message = testing::readFile(errors);
        if (c.packed) {
            EXPECT_EQ(WEXITSTATUS(status), 0) << name.size();
            EXPECT_EQ(message, "");
            const std::string image = testing::readFile(archivePath);
            RarArchive archive;
            ASSERT_TRUE(
                archive.mount(FileSource(image.data(), static_cast<std::uint32_t>(image.size()))));
            auto stream = archive.open(name, kModeRead);
            ASSERT_TRUE(stream) << name.size();
            EXPECT_EQ(stream->size(), 8u);
        } else {
            EXPECT_EQ(WEXITSTATUS(status), 1) << name.size();
            EXPECT_NE(message.find(file), std::string::npos) << message;
            EXPECT_NE(message.find("259"), std::string::npos) << message;
            EXPECT_FALSE(fs::exists(archivePath)) << name.size();
            EXPECT_FALSE(fs::exists(archivePath.string() + ".tmp")) << name.size();
        }
    }
}

TEST(MediaArchive, EmbeddedArchiveHoldsTheSceneProperties) {
    RarArchive archive;
    ASSERT_TRUE(archive.mount(FileSource(ResourceId{147})));
    EXPECT_TRUE(archive.borrowed());
    auto stream = archive.open("Media/Scene.props", kModeRead);
    ASSERT_TRUE(stream);
    std::string read(stream->size(), '\0');
    EXPECT_TRUE(stream->readExact(read.data(), stream->size()));
    EXPECT_EQ(read, testing::readFile(fs::path(ZORVANE_SOURCE_DIR) / "media/Media/Scene.props"));
}

}  // namespace
}  // namespace vfs
