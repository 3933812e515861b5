#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <cstdlib>

#include "golden_pictures.h"
#include "test_scene.h"

namespace {

namespace fs = std::filesystem;

class GoldenTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        folder = fs::path(::testing::TempDir()) /
                 ("zorvane_golden_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    // Renders `scene` with `arguments` and compares the picture with tests/golden/NAME.png.
    void Compare(const std::string& name, const fs::path& scene, const std::string& arguments) {
        render::Image got;
        const int code = render::test::ShootPicture(scene, folder / (name + ".png"), arguments, got);
        if (code == 1 && !std::getenv("DISPLAY")) {
            GTEST_SKIP() << "no display";
        }
        ASSERT_EQ(code, 0);
        render::test::ExpectMatchesGolden(name, got.pixels, got.width, got.height);
    }

    fs::path folder;
};

TEST_F(GoldenTest, TestSceneFromTheFront) {
    const fs::path scene = render::test::WriteTestScene(folder);
    Compare("test_scene", scene,
            "--size 320x240 --time 0.5 --eye 0,-40,12 --dir 0,1,-0.1 --background 203040");
}

TEST_F(GoldenTest, TestSceneFromAbove) {
    const fs::path scene = render::test::WriteTestScene(folder);
    Compare("test_scene_above", scene,
            "--size 320x240 --time 1.5 --eye 14,-22,40 --dir -0.4,0.6,-0.7 --ambient 404040");
}

}  // namespace
