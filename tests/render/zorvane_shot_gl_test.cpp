#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <cstdlib>

#include "golden_pictures.h"
#include "test_scene.h"

namespace {

class ZorvaneShotTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        folder = std::filesystem::path(::testing::TempDir()) /
                 ("zorvane_shot_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(folder);
        scene = render::test::WriteTestScene(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // Renders the test scene at `time` seen from `camera`; exit status of the tool.
    int Shoot(const std::string& name, float time, render::Image& image,
              const std::string& camera = "--eye 0,-40,12 --dir 0,1,-0.1") {
        return render::test::ShootPicture(scene, folder / name,
                                          "--size 160x120 " + camera +
                                              " --background 203040 --time " + std::to_string(time),
                                          image);
    }

    std::filesystem::path folder;
    std::filesystem::path scene;
};

TEST_F(ZorvaneShotTest, RendersTheTestSceneToAPicture) {
    render::Image early, late;
    const int code = Shoot("early.png", 0.0f, early);
    if (code == 1 && !std::getenv("DISPLAY")) {
        GTEST_SKIP() << "no display";
    }
    ASSERT_EQ(code, 0);
    ASSERT_EQ(early.width, 160u);
    ASSERT_EQ(early.height, 120u);
    EXPECT_EQ(early.at(2, 2) & 0xFFFFFF, 0x203040u) << "the sky is the background colour";
    EXPECT_NE(early.at(80, 110) & 0xFFFFFF, 0x203040u) << "the floor fills the bottom";
    EXPECT_NE(early.at(80, 75) & 0xFFFFFF, 0x203040u) << "the pane stands in the middle";
    ASSERT_EQ(Shoot("late.png", 0.5f, late), 0);
    std::size_t changed = 0;
    for (std::size_t i = 0; i < early.pixels.size(); ++i) {
        changed += early.pixels[i] != late.pixels[i] ? 1 : 0;
    }
    EXPECT_GT(changed, 20u) << "the pendulum and the arm move with the time";
    EXPECT_LT(changed, early.pixels.size() / 4) << "the rest of the scene stays";
}

TEST_F(ZorvaneShotTest, ACameraPathPlacesTheCamera) {
    // A path that stands at the eye below for its whole length: front +y, up +z.
    udf::UdfNode root("_root", "_roottype");
    const render::Key keys[] = {render::test::MakeKey(0, 0, -40, 12),
                                render::test::MakeKey(0, 0, 0.7071068f, 0.7071068f, 0),
                                render::test::MakeKey(50, 0, -40, 12)};
    root.addLeaf("rot0", "rot", &keys[1], 32, true);
    root.addLeaf("pos0", "pos", &keys[0], 32, true);
    root.addLeaf("pos1", "pos", &keys[2], 32, true);
    render::test::WriteFile(folder / "c1.cam", render::test::SceneBytes(root));
    render::Image byPath, byVectors;
    const int code = Shoot("path.png", 0.0f, byPath,
                           "--path '" + (folder / "c1.cam").string() + "' --path-time 25");
    if (code == 1 && !std::getenv("DISPLAY")) {
        GTEST_SKIP() << "no display";
    }
    ASSERT_EQ(code, 0);
    ASSERT_EQ(Shoot("vectors.png", 0.0f, byVectors, "--eye 0,-40,12 --dir 0,1,0 --up 0,0,1"), 0);
    ASSERT_EQ(byPath.pixels.size(), byVectors.pixels.size());
    // The quaternion's rounding may move an edge by a pixel, no more.
    std::size_t differing = 0;
    for (std::size_t i = 0; i < byPath.pixels.size(); ++i) {
        differing += byPath.pixels[i] != byVectors.pixels[i] ? 1 : 0;
    }
    EXPECT_LT(differing, byPath.pixels.size() / 200);
    EXPECT_EQ(byPath.at(2, 2) & 0xFFFFFF, 0x203040u);
    render::Image none;
    EXPECT_EQ(Shoot("none.png", 0.0f, none, "--path '" + (folder / "no.cam").string() + "'"), 1);
}

TEST_F(ZorvaneShotTest, AMissingSceneFails) {
    render::Image image;
    scene = folder / "nothing.UDF";
    EXPECT_EQ(Shoot("none.png", 0.0f, image), 1);
    EXPECT_FALSE(std::filesystem::exists(folder / "none.png"));
}

}  // namespace
