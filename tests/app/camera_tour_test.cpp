#include "app/camera_tour.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "render/scene/animation/key.h"
#include "udf/udf_binary_writer.h"
#include "udf/udf_node.h"
#include "vfs/file_source.h"
#include "vfs/rar_archive.h"
#include "vfs/rar_writer.h"

namespace {

using app::CameraTour;

std::int64_t now = 0;
std::int64_t FakeClock() {
    return now;
}

render::Key MakeKey(float time, float x, float y, float z, float w) {
    render::Key key;
    key.time = time;
    key.value[0] = x;
    key.value[1] = y;
    key.value[2] = z;
    key.value[3] = w;
    return key;
}

// A path file from (type, key) members, each member `size` bytes of the key record.
std::vector<std::uint8_t> PathFile(const std::vector<std::pair<std::string, render::Key>>& keys,
                                   std::uint32_t size = 32) {
    udf::UdfNode root("_root", "_roottype");
    for (std::size_t i = 0; i < keys.size(); ++i) {
        root.addLeaf("k" + std::to_string(i), keys[i].first, &keys[i].second, size, true);
    }
    std::vector<const udf::UdfNode*> nodes;
    for (const auto& child : root.children()) {
        nodes.push_back(child.node);
    }
    std::vector<std::uint8_t> bytes;
    udf::UdfBinaryWriter::toBytes(nodes, bytes);
    return bytes;
}

// A straight flight along x from `x0` at time 0 to x0 + 100 at `end`, looking along +z.
std::vector<std::uint8_t> StraightPath(float x0, float end) {
    return PathFile({{"rot", MakeKey(end, 0, 0, 0, 1)},
                     {"pos", MakeKey(end, x0 + 100, 0, 0, 0)},
                     {"pos", MakeKey(0, x0, 0, 0, 0)},
                     {"rot", MakeKey(0, 0, 0, 0, 1)}});
}

class CameraTourTest : public ::testing::Test {
protected:
    void SetUp() override {
        now = 1000;
        tour.SetLoader([this](std::string_view name, render::CameraPath& path) {
            ++loads[std::string(name)];
            const auto file = files.find(std::string(name));
            if (file == files.end()) {
                return false;
            }
            return path.LoadFile(
                vfs::FileSource(file->second.data(), std::uint32_t(file->second.size())));
        });
        tour.SetRandom([this] {
            if (draws.empty()) {
                ADD_FAILURE() << "more draws than scripted";
                return 0;
            }
            const int value = draws.front();
            draws.pop_front();
            return value;
        });
    }

    // Flies to the end of the running path and one millisecond past it.
    void FinishPath() {
        float start, end;
        ASSERT_TRUE(tour.Path().GetTimeRange(start, end));
        now += static_cast<std::int64_t>((end - tour.Time()) / app::kTourRate) + 2;
        tour.Step();
    }

    CameraTour tour{&FakeClock};
    std::map<std::string, std::vector<std::uint8_t>> files;
    std::map<std::string, int> loads;
    std::deque<int> draws;
};

TEST_F(CameraTourTest, PathsPlayWithoutRepeatsInACycle) {
    struct Case {
        std::vector<std::string> paths;
        std::vector<int> draws;
        std::vector<std::string> played;
    };
    const Case cases[] = {
        // One path repeats.
        {{"a"}, {7, 3, 0, 5}, {"a", "a", "a", "a"}},
        // Two paths alternate within a cycle; the refilled pool lists them in played order, so
        // across a cycle boundary the same path can come twice in a row.
        {{"a", "b"}, {1, 0, 0, 0, 1}, {"b", "a", "b", "a", "a"}},
        {{"a", "b"}, {0, 9, 1, 4}, {"a", "b", "b", "a"}},
        // Each step moves on from the place of the finished path.
        {{"a", "b", "c"}, {1, 1, 0, 0}, {"b", "a", "c", "b"}},
    };
    for (const Case& c : cases) {
        CameraTour fresh(&FakeClock);
        tour = std::move(fresh);
        SetUp();
        for (const std::string& name : c.paths) {
            files[name] = StraightPath(0, 40);
            tour.AddPath(name);
        }
        draws.assign(c.draws.begin(), c.draws.end());
        tour.Start();
        tour.RestartTimer();
        std::vector<std::string> played{tour.CurrentName()};
        while (played.size() < c.played.size()) {
            FinishPath();
            played.push_back(tour.CurrentName());
        }
        EXPECT_EQ(played, c.played) << c.paths.size() << " paths";
        EXPECT_TRUE(draws.empty());
    }
}

TEST_F(CameraTourTest, EveryCycleShowsEachPathOnce) {
    std::mt19937 generator(5);
    tour.SetRandom([&] { return static_cast<int>(generator() & 0x7FFF); });
    const std::vector<std::string> names = {"c1", "c2", "c3", "c4", "c5", "c6", "c7"};
    for (const std::string& name : names) {
        files[name] = StraightPath(0, 20);
        tour.AddPath(name);
    }
    tour.Start();
    tour.RestartTimer();
    for (int cycle = 0; cycle < 20; ++cycle) {
        std::set<std::string> seen;
        std::string previous;
        for (std::size_t i = 0; i < names.size(); ++i) {
            EXPECT_NE(tour.CurrentName(), previous);
            EXPECT_TRUE(seen.insert(tour.CurrentName()).second) << "cycle " << cycle;
            EXPECT_EQ(tour.Pool().size() + tour.Played().size(), names.size());
            previous = tour.CurrentName();
            FinishPath();
        }
        EXPECT_EQ(seen.size(), names.size());
    }
}

TEST_F(CameraTourTest, TimeAdvancesByWholeMilliseconds) {
    files["a"] = StraightPath(0, 400);
    tour.AddPath("a");
    draws = {0};
    tour.Start();
    tour.RestartTimer();
    // Frames within the same millisecond add nothing and don't lose the time they took.
    for (int i = 0; i < 5; ++i) {
        tour.Step();
        EXPECT_EQ(tour.Time(), 0.0f);
    }
    now += 7;
    tour.Step();
    EXPECT_NEAR(tour.Time(), 0.07f, 1e-6f);
    now += 1000;
    tour.Step();
    EXPECT_NEAR(tour.Time(), 10.07f, 1e-4f);
    // A clock that went back holds the time instead of flying backwards.
    now -= 500;
    tour.Step();
    EXPECT_NEAR(tour.Time(), 10.07f, 1e-4f);
    now += 100;
    tour.Step();
    EXPECT_NEAR(tour.Time(), 11.07f, 1e-4f);
}

TEST_F(CameraTourTest, PathEndsOnlyPastItsLastKeyAndTheNextStartsInTheSameFrame) {
    files["a"] = StraightPath(0, 50);
    files["b"] = StraightPath(1000, 50);
    tour.AddPath("a");
    tour.AddPath("b");
    draws = {0, 0};
    tour.Start();
    tour.RestartTimer();
    ASSERT_EQ(tour.CurrentName(), "a");
    now += 5000;
    tour.Step();
    ASSERT_EQ(tour.Time(), 50.0f);
    EXPECT_EQ(tour.CurrentName(), "a");
    // The frame at the end shows the path's last pose: x = 100.
    now += 1;
    tour.Step();
    EXPECT_NEAR(tour.View().eye.x, 100.0f, 1e-3f);
    EXPECT_EQ(tour.CurrentName(), "b");
    EXPECT_EQ(tour.Time(), 0.0f);
    EXPECT_TRUE(tour.Running());
    EXPECT_NEAR(tour.FreeCamera().eye.x, 100.0f, 1e-3f);
    EXPECT_EQ(tour.FadeOpacity(), 1.0f);
    // The next frame flies the new path.
    now += 1;
    tour.Step();
    EXPECT_NEAR(tour.View().eye.x, 1000.0f, 1e-2f);
    EXPECT_NEAR(tour.View().front.z, 1.0f, 1e-5f);
    EXPECT_NEAR(tour.View().up.y, 1.0f, 1e-5f);
}

TEST_F(CameraTourTest, FadesInAtTheStartAndOutAtTheEnd) {
    files["a"] = StraightPath(0, 100);
    tour.AddPath("a");
    draws = {0};
    tour.Start();
    tour.RestartTimer();
    struct Case {
        std::int64_t at;  // ms since the start
        float fade;
    };
    const Case cases[] = {{0, 1.0f},    {250, 0.75f}, {500, 0.5f},  {999, 0.001f}, {1000, 0.0f},
                          {5000, 0.0f}, {9000, 0.0f}, {9100, 0.1f}, {9500, 0.5f},  {10000, 1.0f}};
    const std::int64_t start = now;
    for (const Case& c : cases) {
        now = start + c.at;
        tour.Step();
        EXPECT_NEAR(tour.FadeOpacity(), c.fade, 1e-4f) << c.at << " ms";
    }
}

TEST_F(CameraTourTest, BrokenPathsAreSkipped) {
    std::vector<std::uint8_t> truncated = StraightPath(0, 100);
    truncated.resize(truncated.size() / 2);
    files["cut"] = truncated;
    files["sizes"] =
        PathFile({{"pos", MakeKey(0, 1, 2, 3, 0)}, {"rot", MakeKey(0, 0, 0, 0, 1)}}, 16);
    files["nokeys"] = PathFile({});
    files["good"] = StraightPath(0, 30);
    const std::vector<std::string> names = {"cut", "sizes", "good", "nokeys", "missing"};
    for (const std::string& name : names) {
        tour.AddPath(name);
    }
    std::mt19937 generator(11);
    tour.SetRandom([&] { return static_cast<int>(generator() & 0x7FFF); });
    tour.Start();
    tour.RestartTimer();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(tour.CurrentName(), "good");
        EXPECT_TRUE(tour.Running());
        FinishPath();
    }
    // Each broken file was tried once and then left out.
    for (const char* name : {"cut", "sizes", "nokeys", "missing"}) {
        EXPECT_LE(loads[name], 1) << name;
    }
    EXPECT_EQ(tour.Pool().size() + tour.Played().size(), 1u);
}

TEST_F(CameraTourTest, WithoutUsablePathsTheFreeCameraIsUsed) {
    files["cut"] = std::vector<std::uint8_t>{'U', 'D', 'F'};
    const std::vector<std::vector<std::string>> lists = {{}, {"cut"}, {"cut", "missing"}};
    for (const auto& list : lists) {
        CameraTour fresh(&FakeClock);
        tour = std::move(fresh);
        SetUp();
        for (const std::string& name : list) {
            tour.AddPath(name);
        }
        draws.assign(4, 0);
        tour.Start();
        tour.RestartTimer();
        now += 5000;
        const app::CameraPose pose = tour.Step();
        EXPECT_FALSE(tour.Running());
        EXPECT_EQ(tour.CurrentName(), "");
        EXPECT_EQ(pose.eye.x, -200.0f);
        EXPECT_EQ(pose.eye.y, 100.0f);
        EXPECT_EQ(pose.eye.z, 0.0f);
        EXPECT_EQ(pose.front.x, 1.0f);
        EXPECT_EQ(tour.FadeOpacity(), 0.0f);
        render::Camera camera;
        tour.ApplyView(camera);
        EXPECT_EQ(camera.GetEye().x, -200.0f);
        EXPECT_EQ(camera.GetDirection().x, 1.0f);
    }
}

TEST_F(CameraTourTest, PathsComeFromTheMediaFolderOfTheArchive) {
    const std::vector<std::uint8_t> good = StraightPath(5, 30);
    const std::uint8_t broken[] = {'U', 'D', 'F', ' ', 'B', 'i', 'n'};
    vfs::RarWriter writer;
    writer.addFolder("Media");
    ASSERT_TRUE(writer.addFile("Media\\c1.cam", good));
    ASSERT_TRUE(writer.addFile("Media\\c2.cam", broken));
    ASSERT_TRUE(writer.addFile("c3.cam", good));
    const std::vector<std::uint8_t> image = writer.finish();
    vfs::RarArchive archive;
    ASSERT_TRUE(archive.mount(vfs::FileSource(image.data(), std::uint32_t(image.size()))));

    tour.SetLoader(app::ArchivePathLoader(&archive, "Media"));
    // c3 lies outside the folder and c4 nowhere: only c1 can play.
    for (const char* name : {"c2.cam", "c3.cam", "c4.cam", "c1.cam"}) {
        tour.AddPath(name);
    }
    std::mt19937 generator(2);
    tour.SetRandom([&] { return static_cast<int>(generator() & 0x7FFF); });
    tour.Start();
    tour.RestartTimer();
    EXPECT_NEAR(tour.View().eye.x, 5.0f, 1e-4f);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tour.CurrentName(), "c1.cam");
        FinishPath();
    }
}

}  // namespace
