// The clock scene's start on fakes: the scene properties (absurd ones kept drawable), the
// storm's keys, and the scene loaded from a media archive without a room.
#include "clock/clock_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/fake/memory_registry.h"
#include "platform/fake/memory_resources.h"
#include "platform/fake/recording_message_box.h"
#include "vfs/rar_writer.h"

namespace {

constexpr float kDegrees = 3.1415927f / 180.0f;

std::int64_t fakeNow = 5000;
std::int64_t FakeClock() {
    return fakeNow;
}

class ClockSceneTest : public ::testing::Test {
protected:
    // A clock scene whose media archive holds only `props` as "Media\Scene.props".
    std::unique_ptr<clockscene::ClockScene> SceneWith(const std::string& props) {
        vfs::RarWriter writer;
        if (!props.empty()) {
            writer.addFile(
                "Media\\Scene.props",
                std::span(reinterpret_cast<const std::uint8_t*>(props.data()), props.size()));
        }
        resources = std::make_unique<platform::fake::MemoryResources>();
        resources->Add("MemFile", 147, writer.finish());
        app::SaverServices services;
        services.resources = resources.get();
        services.registry = &registry;
        services.messageBox = &messageBoxes;
        services.clock = &FakeClock;
        auto scene = std::make_unique<clockscene::ClockScene>(services);
        scene->MountMedia();
        return scene;
    }

    std::unique_ptr<platform::fake::MemoryResources> resources;
    platform::fake::MemoryRegistry registry;
    platform::fake::RecordingMessageBox messageBoxes;
};

TEST_F(ClockSceneTest, ScenePropertiesFillTheDrawingParametersAndTheStorm) {
    auto scene = SceneWith(
        "Ambient = array(255, 128, 0);\nBgColor = array(1, 2, 3);\nFogColor = array(9, 8, 7);\n"
        "NearPlane = 0.1;\nFarPlane = 1000;\nFogStart = 2000;\nFogEnd = 2500;\nFov = 70;\n"
        "CamSpeed = 0.1;\nAnimations = array(\"c2.cam\", \"c1.cam\");\n"
        "QuietTime = 3000;\nWinkTime = 1000;\nDebug = 0;\n");
    ASSERT_TRUE(scene->LoadSceneProps());
    EXPECT_EQ(scene->Parameters().ambient, gfx::D3DCOLOR_XRGB(255, 128, 0));
    EXPECT_EQ(scene->Parameters().background, gfx::D3DCOLOR_XRGB(1, 2, 3));
    EXPECT_EQ(scene->Parameters().fogColour, gfx::D3DCOLOR_XRGB(9, 8, 7));
    EXPECT_FLOAT_EQ(scene->Parameters().nearPlane, 0.1f);
    EXPECT_FLOAT_EQ(scene->Parameters().farPlane, 1000.0f);
    EXPECT_FLOAT_EQ(scene->Parameters().fogStart, 2000.0f);
    EXPECT_FLOAT_EQ(scene->Parameters().fogEnd, 2500.0f);
    EXPECT_FLOAT_EQ(scene->Parameters().fieldOfView, 70.0f * kDegrees);
    EXPECT_FLOAT_EQ(scene->camSpeed, 0.1f);
    EXPECT_EQ(scene->tourPaths, (std::vector<std::string>{"c2.cam", "c1.cam"}));
    EXPECT_EQ(scene->Storm().QuietTime(), 3000);
    EXPECT_EQ(scene->Storm().WinkTime(), 1000);
    EXPECT_FALSE(scene->Parameters().fog) << "the fog switch stays off";
}

TEST_F(ClockSceneTest, MissingPropertiesKeepTheDefaults) {
    for (const std::string& props : {std::string(), std::string("Debug = 1;\n")}) {
        auto scene = SceneWith(props);
        EXPECT_EQ(scene->LoadSceneProps(), !props.empty());
        EXPECT_EQ(scene->Parameters().ambient, gfx::D3DCOLOR_XRGB(128, 128, 128));
        EXPECT_EQ(scene->Parameters().background, gfx::D3DCOLOR_XRGB(100, 0, 0));
        EXPECT_FLOAT_EQ(scene->Parameters().nearPlane, 1.0f);
        EXPECT_FLOAT_EQ(scene->Parameters().farPlane, 1500.0f);
        EXPECT_NEAR(scene->Parameters().fieldOfView, 60.0f * kDegrees, 1e-4f);
        EXPECT_TRUE(scene->tourPaths.empty());
        EXPECT_EQ(scene->Storm().QuietTime(), clockscene::kDefaultQuietTime);
        EXPECT_EQ(scene->Storm().WinkTime(), clockscene::kDefaultWinkTime);
    }
}

TEST_F(ClockSceneTest, AbsurdPropertiesStillGiveADrawableFrame) {
    const char* cases[] = {
        "Fov = 0;",
        "Fov = 180;",
        "Fov = -30;",
        "Fov = 100000;",
        "NearPlane = 10; FarPlane = 5;",
        "NearPlane = 10; FarPlane = 10;",
        "NearPlane = 0;",
        "NearPlane = -4; FarPlane = -1;",
        "NearPlane = 1e30; FarPlane = 1e31;",
        "QuietTime = -5; WinkTime = -1;",
        "QuietTime = 0; WinkTime = 0;",
    };
    for (const char* props : cases) {
        auto scene = SceneWith(props);
        ASSERT_TRUE(scene->LoadSceneProps()) << props;
        EXPECT_GE(scene->Parameters().fieldOfView, 1.0f * kDegrees) << props;
        EXPECT_LE(scene->Parameters().fieldOfView, 179.0f * kDegrees) << props;
        EXPECT_GT(scene->Parameters().nearPlane, 0.0f) << props;
        EXPECT_GT(scene->Parameters().farPlane, scene->Parameters().nearPlane) << props;
        render::Camera camera;
        camera.SetPerspective(scene->Parameters().nearPlane, scene->Parameters().farPlane,
                              scene->Parameters().fieldOfView, 4.0f / 3);
        camera.SetView({0, 0, 0}, {1, 0, 0}, {0, 0, 1});
        const render::Matrix& viewProjection = camera.GetViewProjection();
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) {
                EXPECT_TRUE(std::isfinite(viewProjection.m[r][c])) << props;
            }
        }
        // A point ahead of the camera between the planes lands inside the depth range.
        const float ahead = (scene->Parameters().nearPlane + scene->Parameters().farPlane) / 2.0f;
        const render::Vector4 clip = render::Vec3Transform({ahead, 0, 0}, viewProjection);
        EXPECT_GT(clip.w, 0.0f) << props;
        EXPECT_GE(clip.z / clip.w, 0.0f) << props;
        EXPECT_LE(clip.z / clip.w, 1.0f) << props;
        EXPECT_GT(scene->Storm().QuietTime(), 0) << props;
        EXPECT_GT(scene->Storm().WinkTime(), 0) << props;
    }
}

TEST_F(ClockSceneTest, LoadingWithoutARoomOrAudioGoesOnSilently) {
    auto scene = SceneWith("QuietTime = 3000;");
    scene->Settings().Music = true;
    scene->Settings().Sound = true;
    scene->Settings().Volume = 50;
    EXPECT_TRUE(scene->LoadCustom());
    EXPECT_FALSE(scene->Room().HourHand());
    EXPECT_FALSE(scene->Settings().Music) << "no audio device: music off for the run";
    EXPECT_FALSE(scene->Settings().Sound);
    EXPECT_EQ(scene->Tour().FreeCamera().eye.x, -200.0f);
    EXPECT_EQ(scene->Tour().FreeCamera().front.x, 1.0f);
    EXPECT_TRUE(scene->UpdateScene());
}

}  // namespace
