// The executable's own media archive looked up the ways the program names its files: every shipped
// file comes back with its bytes through the shell's media file and through its search paths.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/saver_application.h"
#include "core/engine_string.h"
#include "platform/fake/memory_registry.h"
#include "vfs/stream.h"

namespace {

namespace fs = std::filesystem;

const fs::path kMedia = fs::path(ZORVANE_SOURCE_DIR) / "media" / "Media";

std::string FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string StreamBytes(vfs::Stream& stream) {
    core::EngineString bytes;
    if (!stream.readBytes(bytes, stream.size())) {
        return {};
    }
    return std::string(bytes.view());
}

class MediaPathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        app::SaverServices services;
        services.registry = &registry;
        saver = std::make_unique<app::SaverApplication>(services);
        saver->MountMedia();
    }

    platform::fake::MemoryRegistry registry;
    std::unique_ptr<app::SaverApplication> saver;
};

TEST_F(MediaPathsTest, EveryShippedFileIsFoundTheWaysTheProgramNamesIt) {
    const vfs::SearchPaths paths = saver->MediaPaths();
    int files = 0;
    for (const auto& entry : fs::directory_iterator(kMedia)) {
        const std::string name = entry.path().filename().string();
        const std::string expected = FileBytes(entry.path());
        ++files;

        // The scene, the fonts, the camera paths and "Scene.props": the media folder's file.
        const auto direct = saver->MediaFile("/" + name).open(vfs::kModeRead);
        ASSERT_NE(direct, nullptr) << name;
        EXPECT_EQ(StreamBytes(*direct), expected) << name;

        // The sounds: a name with the media folder in front, searched on disk, then in the
        // mounts; the archive's names carry no leading separator and any case.
        for (const std::string& asked : {"Media/" + name, "/Media/" + name, "media\\" + name}) {
            vfs::FileSource source(nullptr, core::EngineString(asked));
            source.flags = vfs::kSourceDisk | vfs::kSourceArchive;
            ASSERT_TRUE(paths.resolve(source)) << asked;
            EXPECT_EQ(source.flags, vfs::kSourceArchive) << asked;
            const auto stream = source.open(vfs::kModeRead);
            ASSERT_NE(stream, nullptr) << asked;
            EXPECT_EQ(StreamBytes(*stream), expected) << asked;
        }
    }
    EXPECT_GE(files, 40);

    vfs::FileSource missing(nullptr, core::EngineString("Media/NoSuchSound.ogg"));
    missing.flags = vfs::kSourceArchive;
    EXPECT_TRUE(paths.resolve(missing)) << "the archive answers for every name";
    EXPECT_EQ(missing.open(vfs::kModeRead), nullptr);
}

}  // namespace
