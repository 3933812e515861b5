#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>

#include "fake_device_fixture.h"
#include "render/math/camera.h"
#include "render/scene/mesh.h"
#include "render/scene/render_context.h"
#include "render/scene/render_sorter.h"
#include "render/scene/scene.h"
#include "render/scene/skin.h"
#include "render/textures/texture.h"
#include "render/textures/texture_manager.h"
#include "test_scene.h"
#include "vfs/search_paths.h"

namespace {

using namespace render;
using namespace render::test;

class TestSceneTest : public FakeDeviceTest {
protected:
    void SetUp() override {
        FakeDeviceTest::SetUp();
        static std::atomic<int> counter{0};
        folder = std::filesystem::path(::testing::TempDir()) /
                 ("zorvane_scene_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(folder);
        path = WriteTestScene(folder);
        paths.add(vfs::FileSource(core::EngineString(folder.string())));
        camera.SetPerspective(1.0f, 500.0f, 1.0f, 4.0f / 3.0f);
        camera.SetView({0, -40, 12}, {0, 1, 0}, {0, 0, 1});
    }
    void TearDown() override {
        scene.reset();
        std::filesystem::remove_all(folder);
        FakeDeviceTest::TearDown();
    }

    // One frame through the sorter at `time`; the calls it made.
    std::vector<std::string> Frame(float time) {
        auto sorter = RenderSorter::Create(&scene->GetLights(), &camera);
        RenderContext context;
        context.camera = &camera;
        context.flags = kRenderAnimate;
        context.time = time;
        context.sorter = sorter.get();
        Log().Clear();
        scene->GetRoot()->Render(context);
        EXPECT_TRUE(sorter->Flush());
        return Log().Calls();
    }

    Vector3 ArmVertex(int v) {
        Mesh* arm = scene->GetRoot()->Find("arm")->GetDrawable();
        void* bytes = nullptr;
        EXPECT_EQ(arm->GetVertexBuffer()->Lock(0, 0, &bytes, 0), gfx::S_OK);
        float p[3];
        std::memcpy(p, static_cast<std::uint8_t*>(bytes) + v * arm->GetStride(), sizeof p);
        arm->GetVertexBuffer()->Unlock();
        return {p[0], p[1], p[2]};
    }

    std::filesystem::path folder;
    std::filesystem::path path;
    vfs::SearchPaths paths;
    Camera camera;
    std::unique_ptr<Scene> scene = std::make_unique<Scene>();
};

TEST_F(TestSceneTest, LoadsEveryPart) {
    ASSERT_TRUE(scene->Load("test_scene.UDF", paths));
    Node* root = scene->GetRoot();
    for (const char* name : {"floor", "crate01", "crate02", "window pane", "pendulum", "arm",
                             "BONE_UPPER", "bone_lower"}) {
        EXPECT_NE(root->Find(name), nullptr) << name;
    }
    EXPECT_NE(scene->GetCameraRoot()->Find("camera01"), nullptr);
    ASSERT_EQ(scene->GetLights().Count(), 3u);
    EXPECT_EQ(scene->GetLights().At(0).light.Type, gfx::D3DLIGHT_POINT);
    EXPECT_EQ(scene->GetLights().At(1).light.Type, gfx::D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(scene->GetLights().At(2).light.Type, gfx::D3DLIGHT_SPOT);
    EXPECT_EQ(scene->GetMaterials().Count(), 2u);
    const RenderStates& wood = root->Find("crate01")->GetDrawable()->GetRenderStates();
    ASSERT_NE(wood.stages[0].texture, nullptr);
    ASSERT_NE(wood.stages[1].texture, nullptr);
    EXPECT_EQ(wood.stages[1].colorOp, gfx::D3DTOP_MODULATE2X);
    EXPECT_EQ(wood.stages[1].texCoordIndex, 1u);
    EXPECT_TRUE(IsTransparent(root->Find("window pane")->GetDrawable()->GetRenderStates()));
    EXPECT_TRUE(root->Find("arm")->GetDrawable()->GetSkin()->IsBound());
    EXPECT_TRUE(root->Find("bone_upper")->IsBone());
    // The boxes share one static vertex buffer; the arm has its dynamic one.
    EXPECT_EQ(root->Find("crate01")->GetDrawable()->GetVertexBuffer(),
              root->Find("floor")->GetDrawable()->GetVertexBuffer());
    EXPECT_NE(root->Find("arm")->GetDrawable()->GetVertexBuffer(),
              root->Find("floor")->GetDrawable()->GetVertexBuffer());
}

TEST_F(TestSceneTest, RendersOnTheFakeDevice) {
    ASSERT_TRUE(scene->Load("test_scene.UDF", paths));
    const std::vector<std::string> calls = Frame(0.5f);
    std::vector<std::size_t> draws;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].rfind("DrawIndexedPrimitive", 0) == 0) {
            draws.push_back(i);
        }
    }
    ASSERT_EQ(draws.size(), 6u) << ::testing::PrintToString(calls);
    // The pane is the only transparent drawable: it comes last, with blending on.
    auto last = std::find(calls.rbegin(), calls.rend(), "SetRenderState(27, 1)");
    ASSERT_NE(last, calls.rend());
    EXPECT_GT(calls.rend() - last - 1, std::ptrdiff_t(draws[4]));
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "SetTextureStageState(1, 1, 5)"), 1)
        << "the light-map stage stays set across the light-mapped groups";
    EXPECT_EQ(Log().Count("SetLight"), 3u);
    EXPECT_TRUE(Log().Contains("LightEnable(1, 1)"));
    EXPECT_TRUE(Log().Contains("LightEnable(1, 0)"));
}

TEST_F(TestSceneTest, OpaqueGroupsByTextureInReverseOrderOfCreation) {
    ASSERT_TRUE(scene->Load("test_scene.UDF", paths));
    Frame(0.0f);
    // Groups: stone (floor), wood (crates, pendulum), none (arm): drawn none, wood, stone.
    std::vector<std::string> stage0;
    for (const std::string& call : Log().Calls()) {
        if (call.rfind("SetTexture(0, ", 0) == 0) {
            stage0.push_back(call);
        }
    }
    const Texture* stone =
        scene->GetRoot()->Find("floor")->GetDrawable()->GetRenderStates().stages[0].texture;
    const Texture* wood =
        scene->GetRoot()->Find("crate01")->GetDrawable()->GetRenderStates().stages[0].texture;
    const std::string stoneCall =
        "SetTexture(0, " +
        gfx::fake::FakeDevice::NameOf(const_cast<Texture*>(stone)->GetD3DTexture()) + ")";
    const std::string woodCall =
        "SetTexture(0, " +
        gfx::fake::FakeDevice::NameOf(const_cast<Texture*>(wood)->GetD3DTexture()) + ")";
    const auto woodAt = std::find(stage0.begin(), stage0.end(), woodCall);
    const auto stoneAt = std::find(stage0.begin(), stage0.end(), stoneCall);
    ASSERT_NE(woodAt, stage0.end()) << ::testing::PrintToString(stage0);
    ASSERT_NE(stoneAt, stage0.end());
    EXPECT_LT(woodAt, stoneAt);
    EXPECT_EQ(std::count(stage0.begin(), stage0.end(), woodCall), 1)
        << "the wood group's draws share the texture";
}

TEST_F(TestSceneTest, AnimationMovesThePendulumAndBendsTheArm) {
    ASSERT_TRUE(scene->Load("test_scene.UDF", paths));
    Frame(0.0f);
    Node* pendulum = scene->GetRoot()->Find("pendulum");
    const Matrix rest = pendulum->GetDrawingWorld();
    const Vector3 tipAtRest = ArmVertex(8);
    const Vector3 rootAtRest = ArmVertex(0);
    EXPECT_NEAR(tipAtRest.x, 4.0f, 1e-4f) << "at time 0 the arm is straight";
    EXPECT_NEAR(tipAtRest.z, 9.5f, 1e-4f);
    Frame(0.5f);
    EXPECT_GT(std::fabs(pendulum->GetDrawingWorld().m[0][2] - rest.m[0][2]), 0.1f);
    EXPECT_FLOAT_EQ(pendulum->GetDrawingWorld().m[3][2], 12.0f) << "it swings about its pivot";
    Frame(2.0f);
    const Vector3 tip = ArmVertex(8);
    const Vector3 root = ArmVertex(0);
    EXPECT_NEAR(root.x, rootAtRest.x, 1e-4f) << "the upper bone does not move";
    EXPECT_GT(tip.z, tipAtRest.z + 1.0f) << "the lower bone lifts the tip";
}

TEST_F(TestSceneTest, PreparingBuildsEachMeshProgramAfterItsStates) {
    ASSERT_TRUE(scene->Load("test_scene.UDF", paths));
    Log().Clear();
    scene->PrepareDrawing();
    const std::vector<std::string> calls = Log().Calls();
    const auto precompiles = std::count_if(calls.begin(), calls.end(), [](const std::string& c) {
        return c.rfind("PrecompileProgram(", 0) == 0;
    });
    std::size_t meshes = 0;
    std::vector<Node*> pending{scene->GetRoot()};
    while (!pending.empty()) {
        Node* node = pending.back();
        pending.pop_back();
        meshes += node->GetDrawable() != nullptr;
        for (const auto& child : node->Children()) {
            pending.push_back(child.get());
        }
    }
    ASSERT_GT(meshes, 3u);
    EXPECT_EQ(std::size_t(precompiles), meshes);
    ASSERT_FALSE(calls.empty());
    EXPECT_NE(calls.front().rfind("PrecompileProgram(", 0), 0u)
        << "the mesh's states are set before its program is built";
}

}  // namespace
