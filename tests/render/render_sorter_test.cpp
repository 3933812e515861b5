#include <gtest/gtest.h>

#include <cmath>

#include "fake_device_fixture.h"
#include "render/math/camera.h"
#include "render/scene/animation/animation.h"
#include "render/scene/light.h"
#include "render/scene/mesh.h"
#include "render/scene/node.h"
#include "render/scene/render_context.h"
#include "render/scene/render_sorter.h"
#include "render/scene/vertex_data.h"
#include "scene_builder.h"

namespace {

using namespace render;
using namespace render::test;
using udf::UdfNode;

// Nodes with box meshes in one shared buffer; each mesh's draw is told apart by its base vertex.
class RenderTest : public FakeDeviceTest {
protected:
    void SetUp() override {
        FakeDeviceTest::SetUp();
        camera.SetPerspective(1.0f, 1000.0f, 3.14159265f / 2, 1.0f);
        camera.SetView({0, 0, 0}, {0, 0, 1}, {0, 1, 0});
    }

    Node* AddBoxNode(Node& parent, const std::string& name, Vector3 centre, float size = 1.0f,
                     bool transparent = false) {
        auto holder = std::make_unique<UdfNode>("holder");
        AddBox(*holder, name, centre, {size, size, size});
        data.push_back(VertexData::Load(name, *holder->findChild(name)));
        holders.push_back(std::move(holder));
        RenderStates states;
        if (transparent) {
            states.stages[0].alphaOp = gfx::D3DTOP_SELECTARG1;
            states.stages[0].alphaArg1 = gfx::D3DTA_DIFFUSE;
        }
        auto mesh = std::make_unique<Mesh>(states, *data.back(), nullptr, BufferUsage{8, 8}, false,
                                           buffers);
        EXPECT_TRUE(mesh->RestoreDeviceObjects());
        baseVertex[mesh.get()] = name;
        Node* node = parent.AddChild(std::make_unique<Node>(name, "Mesh"));
        node->SetDrawable(std::move(mesh));
        order.push_back(node);
        return node;
    }

    // The names of the meshes drawn, in order.
    std::vector<std::string> Drawn() const {
        std::vector<std::string> names;
        for (const std::string& call : runtime->Log().Calls()) {
            int base = -1;
            if (std::sscanf(call.c_str(), "DrawIndexedPrimitive(4, %d,", &base) == 1) {
                names.push_back(order[std::size_t(base / 8)]->Name());
            }
        }
        return names;
    }

    RenderContext Context(RenderSorter* sorter = nullptr) {
        RenderContext context;
        context.camera = &camera;
        context.sorter = sorter;
        return context;
    }

    Camera camera;
    MeshBuffers buffers;
    Node root{"root", "Node"};
    std::vector<std::unique_ptr<UdfNode>> holders;
    std::vector<std::unique_ptr<VertexData>> data;
    std::map<Mesh*, std::string> baseVertex;
    std::vector<Node*> order;
};

TEST_F(RenderTest, CullingAgainstTheFrustum) {
    AddBoxNode(root, "ahead", {0, 0, 10});
    AddBoxNode(root, "behind", {0, 0, -10});
    AddBoxNode(root, "straddling", {12, 0, 10}, 5.0f);  // across the right plane
    AddBoxNode(root, "right", {30, 0, 10});
    AddBoxNode(root, "beyond", {0, 0, 2000});
    AddBoxNode(root, "around the eye", {0, 0, 0}, 4.0f);
    RenderContext context = Context();
    Log().Clear();
    root.Render(context);
    EXPECT_EQ(Drawn(), (std::vector<std::string>{"ahead", "straddling", "around the eye"}));

    context.flags = kRenderNoCulling;
    Log().Clear();
    root.Render(context);
    EXPECT_EQ(Drawn().size(), 6u);
}

TEST_F(RenderTest, NoDrawingStillUpdatesTransforms) {
    Node* parent = AddBoxNode(root, "parent", {0, 0, 10});
    Node* child = AddBoxNode(*parent, "child", {0, 0, 10});
    parent->SetNodeTransform({1, 2, 3}, {}, {1, 1, 1});
    child->SetNodeTransform({10, 0, 0}, {}, {1, 1, 1});
    RenderContext context = Context();
    context.flags = kRenderNoDrawing;
    Log().Clear();
    EXPECT_TRUE(root.Render(context));
    EXPECT_TRUE(Drawn().empty());
    EXPECT_FLOAT_EQ(child->GetDrawingWorld().m[3][0], 11.0f);
    EXPECT_FLOAT_EQ(child->GetDrawingWorld().m[3][2], 3.0f);
    EXPECT_TRUE(MatrixIsIdentity(context.world)) << "the context's matrices are restored";
}

TEST_F(RenderTest, ObjectTransformMovesOnlyTheNodesOwnDrawable) {
    Node* parent = AddBoxNode(root, "parent", {0, 0, 10});
    Node* child = AddBoxNode(*parent, "child", {0, 0, 10});
    const Matrix offset = MatrixTranslation(0, 0, -100);  // behind the camera
    parent->SetObjectTransform(&offset);
    RenderContext context = Context();
    Log().Clear();
    root.Render(context);
    EXPECT_EQ(Drawn(), std::vector<std::string>{"child"});
    EXPECT_FLOAT_EQ(child->GetDrawingWorld().m[3][2], 0.0f);
}

TEST_F(RenderTest, AnimationAtTheContextTimeAndThroughASlot) {
    Node* node = AddBoxNode(root, "moving", {0, 0, 10});
    node->SetNodeTransform({0, 0, 0}, {}, {2, 2, 2});
    auto animation = std::make_shared<Animation>();
    animation->GetPositionTrack().SetFlags(kTrackLinear);
    animation->GetPositionTrack().AddKey(MakeKey(0, 0, 0, 0));
    animation->GetPositionTrack().AddKey(MakeKey(2, 20, 0, 0));
    node->SetAnimation(animation);
    RenderContext context = Context();
    context.flags = kRenderAnimate | kRenderNoDrawing;
    context.time = 1.0f;
    root.Render(context);
    EXPECT_FLOAT_EQ(node->GetDrawingWorld().m[3][0], 10.0f);
    EXPECT_FLOAT_EQ(node->GetDrawingWorld().m[0][0], 2.0f) << "the rest scale stays";
    context.flags = kRenderNoDrawing;
    root.Render(context);
    EXPECT_FLOAT_EQ(node->GetDrawingWorld().m[3][0], 0.0f) << "without animation: the rest";

    // A playing slot runs on its own clock.
    ASSERT_TRUE(node->InstallAnimation(0, ""));
    node->GetSlot(0)->modeFlags = kSlotWrapOwnRange;
    node->StartSlot(0, 5000, true);
    context.flags = kRenderAnimate | kRenderNoDrawing;
    context.now = 5000 + 2500;  // 2.5 s wraps to 0.5 s
    root.Render(context);
    EXPECT_FLOAT_EQ(node->GetDrawingWorld().m[3][0], 5.0f);
    EXPECT_FALSE(node->InstallAnimation(1, "nothing by that name"));
}

TEST_F(RenderTest, BonesCarryTheRestPoseToTheCurrentPose) {
    Node* arm = root.AddChild(std::make_unique<Node>("arm", "BONE"));
    arm->SetNodeTransform({5, 0, 0}, {}, {1, 1, 1});
    Node* hand = arm->AddChild(std::make_unique<Node>("hand", "bone"));
    hand->SetNodeTransform({0, 3, 0}, {}, {1, 1, 1});
    RenderContext context = Context();
    context.flags = kRenderNoDrawing;
    root.Render(context);
    EXPECT_TRUE(MatrixIsIdentity(hand->GetSkinningMatrix(), 1e-6f)) << "at rest";
    auto lift = std::make_shared<Animation>();
    lift->GetPositionTrack().AddKey(MakeKey(0, 5, 0, 7));
    arm->SetAnimation(lift);
    context.flags = kRenderNoDrawing | kRenderAnimate;
    root.Render(context);
    const Vector3 moved = Vec3TransformPoint({5, 3, 0}, hand->GetSkinningMatrix());
    EXPECT_FLOAT_EQ(moved.z, 7.0f);
    EXPECT_FLOAT_EQ(moved.y, 3.0f);
}

TEST_F(RenderTest, TransparentGroupsDrawnInReverseOrderOfCreation) {
    AddBoxNode(root, "at 5", {0, 0, 5}, 1.0f, true);
    AddBoxNode(root, "opaque", {0, 0, 20});
    AddBoxNode(root, "at 9", {0, 0, 9}, 1.0f, true);
    AddBoxNode(root, "at 2", {0, 0, 2}, 1.0f, true);
    auto sorter = RenderSorter::Create(nullptr, &camera);
    RenderContext context = Context(sorter.get());
    Log().Clear();
    root.Render(context);
    EXPECT_TRUE(Drawn().empty()) << "drawing waits for the flush";
    EXPECT_EQ(sorter->TransparentGroupCount(), 3u);
    EXPECT_TRUE(sorter->Flush());
    EXPECT_EQ(Drawn(), (std::vector<std::string>{"opaque", "at 2", "at 9", "at 5"}));
    Log().Clear();
    EXPECT_TRUE(sorter->Flush());
    EXPECT_TRUE(Drawn().empty()) << "a flush empties the sorter";
}

TEST_F(RenderTest, EqualDistancesShareAGroupInInsertionOrder) {
    AddBoxNode(root, "first", {3, 0, 4}, 1.0f, true);
    AddBoxNode(root, "nearer", {0, 0, 2}, 1.0f, true);
    AddBoxNode(root, "second", {0, 0, 5}, 1.0f, true);
    AddBoxNode(root, "third", {-4, 0, 3}, 1.0f, true);
    auto sorter = RenderSorter::Create(nullptr, &camera);
    RenderContext context = Context(sorter.get());
    root.Render(context);
    EXPECT_EQ(sorter->TransparentGroupCount(), 2u);
    Log().Clear();
    sorter->Flush();
    EXPECT_EQ(Drawn(), (std::vector<std::string>{"nearer", "first", "second", "third"}));
}

TEST_F(RenderTest, OpaqueDrawablesGroupByTexture) {
    // Without textures every opaque drawable shares the one group, in the order added.
    AddBoxNode(root, "a", {0, 0, 10});
    AddBoxNode(root, "b", {0, 0, 11});
    auto sorter = RenderSorter::Create(nullptr, &camera);
    RenderContext context = Context(sorter.get());
    root.Render(context);
    EXPECT_EQ(sorter->OpaqueGroupCount(), 1u);
    Log().Clear();
    sorter->Flush();
    EXPECT_EQ(Drawn(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(RenderTest, FlushSetsTheLightsAndSwitchesThemOffAfterwards) {
    LightList lights;
    auto sun = std::make_unique<Light>();
    sun->light.Type = gfx::D3DLIGHT_DIRECTIONAL;
    lights.Add(std::move(sun));
    auto lamp = std::make_unique<Light>();
    lamp->light.Type = gfx::D3DLIGHT_POINT;
    lamp->light.Position = {100, 0, 0};
    lamp->light.Range = 1.0f;
    lights.Add(std::move(lamp));
    AddBoxNode(root, "box", {0, 0, 10});
    auto sorter = RenderSorter::Create(&lights, &camera);
    RenderContext context = Context(sorter.get());
    root.Render(context);
    Log().Clear();
    EXPECT_TRUE(sorter->Flush());
    const auto& calls = Log().Calls();
    auto at = [&](const std::string& call) {
        return std::find(calls.begin(), calls.end(), call) - calls.begin();
    };
    const auto draw =
        std::find_if(calls.begin(), calls.end(),
                     [](const std::string& c) { return c.rfind("DrawIndexedPrimitive", 0) == 0; }) -
        calls.begin();
    EXPECT_LT(at("LightEnable(0, 1)"), draw);
    EXPECT_EQ(at("LightEnable(1, 1)"), std::ptrdiff_t(calls.size())) << "out of the lamp's reach";
    EXPECT_GT(at("LightEnable(0, 0)"), draw);
    EXPECT_EQ(Log().Count("SetLight"), 2u);
    EXPECT_EQ(lights.At(1).index, 1);
}

TEST(Light, Affects) {
    struct Case {
        const char* what;
        gfx::D3DLIGHTTYPE type;
        Vector3 position;
        Vector3 direction;
        float range, phi;
        BoundingBox box;
        bool affects;
    };
    const BoundingBox unit{{0, 0, 0}, {2, 2, 2}};
    const Case cases[] = {
        {"directional", gfx::D3DLIGHT_DIRECTIONAL, {1000, 0, 0}, {0, -1, 0}, 0, 0, unit, true},
        {"point inside", gfx::D3DLIGHT_POINT, {0.5f, 0, 0}, {}, 0, 0, unit, true},
        {"point of range 0 outside", gfx::D3DLIGHT_POINT, {1.5f, 0, 0}, {}, 0, 0, unit, false},
        {"point of range 0 on the face", gfx::D3DLIGHT_POINT, {1, 0, 0}, {}, 0, 0, unit, true},
        {"point reaching", gfx::D3DLIGHT_POINT, {3, 0, 0}, {}, 2.5f, 0, unit, true},
        {"point too far", gfx::D3DLIGHT_POINT, {3, 3, 0}, {}, 1.5f, 0, unit, false},
        {"spot of range 0", gfx::D3DLIGHT_SPOT, {0, 0, 0}, {0, 0, 1}, 0, 0.5f, unit, false},
        {"spot without direction", gfx::D3DLIGHT_SPOT, {0, 0, 0}, {}, 10, 0.5f, unit, false},
        {"spot towards", gfx::D3DLIGHT_SPOT, {0, 0, -5}, {0, 0, 1}, 10, 0.5f, unit, true},
        {"spot away", gfx::D3DLIGHT_SPOT, {0, 0, -20}, {0, 0, -1}, 10, 0.3f, unit, false},
    };
    for (const Case& c : cases) {
        Light light;
        light.light.Type = c.type;
        light.light.Position = {c.position.x, c.position.y, c.position.z};
        light.light.Direction = {c.direction.x, c.direction.y, c.direction.z};
        light.light.Range = c.range;
        light.light.Phi = c.phi;
        EXPECT_EQ(light.Affects(c.box), c.affects) << c.what;
    }
}

TEST(Light, FromRecords) {
    UdfNode lights("Lights");
    const Matrix at =
        MatrixMultiply(MatrixRotationQuaternion(QuaternionRotationAxis({1, 0, 0}, 3.14159265f / 2)),
                       MatrixTranslation(1, 2, 3));
    UdfNode* point = AddLight(lights, "p", "PointLight", at, 50, 4);
    UdfNode* spot = AddLight(lights, "s", "SpotLight", at, 20);
    spot->addReal("HotSpot", 0.25f);
    spot->addReal("FallOff", 0.5f);
    UdfNode* sun = AddLight(lights, "d", "DirLight", at, 0);
    UdfNode* torch = AddLight(lights, "t", "Torch", at, 0);
    std::unique_ptr<Light> light;
    ASSERT_EQ(Light::FromRecord(*point, light), Light::RecordResult::Made);
    EXPECT_EQ(light->light.Type, gfx::D3DLIGHT_POINT);
    EXPECT_FLOAT_EQ(light->light.Position.y, 2.0f);
    EXPECT_FLOAT_EQ(light->light.Attenuation1, 0.25f);
    EXPECT_FLOAT_EQ(light->light.Range, 50.0f);
    EXPECT_FLOAT_EQ(light->light.Diffuse.r, 0.5f) << "colours are alpha, red, green, blue";
    EXPECT_FLOAT_EQ(light->light.Diffuse.a, 1.0f);
    ASSERT_EQ(Light::FromRecord(*spot, light), Light::RecordResult::Made);
    EXPECT_FLOAT_EQ(light->light.Theta, 0.25f);
    EXPECT_FLOAT_EQ(light->light.Phi, 0.5f);
    // (0, -1, 0) turned a quarter about x points along -z.
    EXPECT_NEAR(light->light.Direction.z, -1.0f, 1e-5f);
    EXPECT_GT(light->light.Attenuation0 + light->light.Attenuation1, 0.0f)
        << "a usable attenuation without AttStart";
    ASSERT_EQ(Light::FromRecord(*sun, light), Light::RecordResult::Made);
    EXPECT_EQ(light->light.Type, gfx::D3DLIGHT_DIRECTIONAL);
    EXPECT_NEAR(light->light.Direction.z, -1.0f, 1e-5f);
    EXPECT_EQ(Light::FromRecord(*torch, light), Light::RecordResult::UnknownType);
}

}  // namespace
