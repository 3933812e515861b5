#include "audio/audio_library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <map>
#include <vector>

#include "module_image.h"

namespace {

namespace fs = std::filesystem;

using audiotest::ImageResources;
using audiotest::ModuleImage;

std::size_t FilesIn(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

fs::path FreshDir(const char* name) {
    const fs::path dir = fs::path(testing::TempDir()) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

TEST(AudioLibrary, LoadsTheModuleAndLeavesNoFile) {
    const fs::path dir = FreshDir("zorvane_audio_load");
    const ImageResources resources(ModuleImage());
    audio::AudioLibrary library;
    ASSERT_TRUE(library.Load(resources, dir.string()));
    EXPECT_EQ(FilesIn(dir), 0u);
    std::size_t found = 0;
    for (std::size_t i = 0; i < audio::kLibraryNames.size(); ++i) {
        found += library.entry(i) != nullptr;
    }
    EXPECT_EQ(found, 11u);
    EXPECT_NE(library.function<BASS_Init_t>("BASS_Init"), nullptr);
    EXPECT_NE(library.function<BASS_Set3DPosition_t>("BASS_Set3DPosition"), nullptr);
    EXPECT_EQ(library.function<void (*)()>("BASS_Free"), nullptr);
    EXPECT_TRUE(library.Unload());
    EXPECT_FALSE(library.Unload());
    EXPECT_EQ(library.function<BASS_Init_t>("BASS_Init"), nullptr);
}

TEST(AudioLibrary, FailuresLeaveEveryEntryNullAndNoFile) {
    const fs::path dir = FreshDir("zorvane_audio_fail");
    struct Case {
        const char* what;
        std::vector<std::uint8_t> image;
        std::string folder;
    };
    const Case cases[] = {
        {"missing resource", {}, dir.string()},
        {"not a module", {'n', 'o', 't', ' ', 'E', 'L', 'F'}, dir.string()},
        {"folder absent", ModuleImage(), (dir / "absent").string()},
    };
    for (const Case& c : cases) {
        const ImageResources resources(c.image);
        audio::AudioLibrary library;
        EXPECT_FALSE(library.Load(resources, c.folder)) << c.what;
        EXPECT_FALSE(library.loaded()) << c.what;
        for (std::size_t i = 0; i < audio::kLibraryNames.size(); ++i) {
            EXPECT_EQ(library.entry(i), nullptr) << c.what;
        }
        EXPECT_EQ(FilesIn(dir), 0u) << c.what;
    }
}

TEST(AudioLibrary, NameTablesHoldDistinctKnownNames) {
    std::map<std::string, int> seen;
    for (const char* name : audio::kLibraryNames) {
        ++seen[name];
    }
    EXPECT_EQ(seen.size(), audio::kLibraryNames.size());
    for (const char* name : audio::kSecondPassNames) {
        EXPECT_EQ(seen.count(name), 1u) << name;
    }
}

}  // namespace
