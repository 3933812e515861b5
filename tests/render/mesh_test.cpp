#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fake_device_fixture.h"
#include "render/scene/animation/animation.h"
#include "render/scene/mesh.h"
#include "render/scene/node.h"
#include "render/scene/render_context.h"
#include "render/scene/skin.h"
#include "render/scene/vertex_data.h"
#include "scene_builder.h"

namespace {

using namespace render;
using namespace render::test;
using udf::UdfNode;

std::unique_ptr<UdfNode> MeshRecord(std::int32_t fvf, std::int32_t numVerts, std::uint32_t bytes,
                                    std::int32_t numIndexes = 0, std::int32_t indexSize = 2) {
    auto record = std::make_unique<UdfNode>("m", "Mesh");
    record->addInt("FVF", fvf);
    record->addInt("IndexSize", indexSize);
    record->addInt("NumVerts", numVerts);
    record->addInt("NumIndexes", numIndexes);
    std::vector<std::uint8_t> verts(bytes, 0);
    AddRaw(*record, "Verts", verts);
    std::vector<std::uint8_t> indexes(std::size_t(std::max(numIndexes, 0)) * 4, 0);
    AddRaw(*record, "Indexes", indexes);
    return record;
}

TEST(VertexData, StrideComesFromTheBytesPerVertex) {
    // XYZ | NORMAL | TEX1: 170 vertices in 5440 bytes.
    auto record = MeshRecord(274, 170, 5440, 3);
    auto data = VertexData::Load("m", *record);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->stride, 32u);
    EXPECT_EQ(data->vertexCount, 170u);
    EXPECT_EQ(BufferStride(40, true), 64u);
    EXPECT_EQ(BufferStride(64, true), 64u);
    EXPECT_EQ(BufferStride(40, false), 40u);
}

TEST(VertexData, RecordsThatDoNotHoldTogetherGiveNone) {
    struct Case {
        const char* what;
        std::unique_ptr<UdfNode> record;
    };
    std::vector<Case> cases;
    cases.push_back({"no vertices", MeshRecord(274, 0, 0)});
    cases.push_back({"counts far beyond the bytes", MeshRecord(274, 100000, 320)});
    cases.push_back({"negative count", MeshRecord(274, -5, 320)});
    cases.push_back({"stride smaller than the format", MeshRecord(274, 10, 200)});
    cases.push_back({"index size 3", MeshRecord(274, 10, 320, 3, 3)});
    {
        auto record = MeshRecord(274, 10, 320, 100000);
        const std::uint16_t indexes[] = {0, 1, 2};
        record->findChild("Indexes")->setData(indexes, sizeof indexes, true);
        cases.push_back({"more indices than bytes", std::move(record)});
    }
    {
        auto record = MeshRecord(274, 4, 128, 3);
        const std::uint16_t indexes[] = {0, 1, 4};  // 4 is past the last vertex
        record->findChild("Indexes")->setData(indexes, sizeof indexes, true);
        cases.push_back({"index past the vertices", std::move(record)});
    }
    {
        auto record = MeshRecord(274, 1, 32);
        float nan[8] = {std::numeric_limits<float>::quiet_NaN()};
        record->findChild("Verts")->setData(nan, sizeof nan, true);
        cases.push_back({"NaN position", std::move(record)});
    }
    {
        auto record = MeshRecord(274, 4, 128);
        record->removeChild("FVF");
        cases.push_back({"no FVF", std::move(record)});
    }
    for (const Case& c : cases) {
        EXPECT_FALSE(VertexData::Load("m", *c.record)) << c.what;
    }
}

TEST(Mesh, UsageWords) {
    struct Case {
        const char* words;  // null: no "Usage" key
        bool skinned;
        std::uint32_t vertex, index;
    };
    const Case cases[] = {
        {nullptr, false, 0x008, 0x008},
        {nullptr, true, 0x200, 0x008},
        {"static vb_dynamic", false, 0x208, 0x008},
        {"dynamic", false, 0x200, 0x200},
        {"dynamic_writeonly", false, 0x208, 0x208},
        {"static dynamic", false, 0x008, 0x008},
        {"dynamic dynamic_writeonly", false, 0x200, 0x200},
        {"vb_writeonly ib_dynamic", false, 0x008, 0x200},
        {"ib_writeonly", false, 0x000, 0x008},
        {"vb_dynamicx", false, 0x000, 0x000},
        {"", false, 0x000, 0x000},
    };
    for (const Case& c : cases) {
        std::unique_ptr<UdfNode> usage;
        if (c.words) {
            usage = UdfNode::makeString("Usage", c.words);
        }
        const BufferUsage u = ParseUsage(usage.get(), c.skinned);
        EXPECT_EQ(u.vertex, c.vertex) << (c.words ? c.words : "(none)");
        EXPECT_EQ(u.index, c.index) << (c.words ? c.words : "(none)");
    }
}

class MeshTest : public FakeDeviceTest {
protected:
    std::unique_ptr<VertexData> Box(Vector3 centre, Vector3 size) {
        auto record = std::make_unique<UdfNode>("box", "Mesh");
        AddBox(*record, "box", centre, size);
        records.push_back(std::move(record));
        auto data = VertexData::Load("box", *records.back()->findChild("box"));
        EXPECT_TRUE(data);
        return data;
    }

    std::vector<std::string> Draws() const {
        std::vector<std::string> draws;
        for (const std::string& call : runtime->Log().Calls()) {
            if (call.rfind("Draw", 0) == 0) {
                draws.push_back(call);
            }
        }
        return draws;
    }

    std::vector<std::unique_ptr<UdfNode>> records;
    MeshBuffers buffers;
};

TEST_F(MeshTest, MeshesShareBuffersAndDrawTheirRanges) {
    auto a = Box({0, 0, 0}, {1, 1, 1});
    auto b = Box({5, 0, 0}, {1, 1, 1});
    RenderStates states;
    Mesh first(states, *a, nullptr, {8, 8}, false, buffers);
    Mesh second(states, *b, nullptr, {8, 8}, false, buffers);
    ASSERT_TRUE(first.RestoreDeviceObjects());
    ASSERT_TRUE(second.RestoreDeviceObjects());
    EXPECT_EQ(buffers.VertexBufferCount(), 1u);
    EXPECT_EQ(buffers.IndexBufferCount(), 1u);
    EXPECT_EQ(first.GetVertexBuffer(), second.GetVertexBuffer());
    EXPECT_EQ(first.GetBoundingBox().size.x, 1.0f);
    EXPECT_EQ(second.GetBoundingBox().centre.x, 5.0f);

    Log().Clear();
    ASSERT_TRUE(first.Draw());
    ASSERT_TRUE(second.Draw());
    second.SetDrawRange(6, 12);
    ASSERT_TRUE(second.Draw());
    const std::vector<std::string> expected = {
        "DrawIndexedPrimitive(4, 0, 0, 8, 0, 12)",
        "DrawIndexedPrimitive(4, 8, 0, 8, 36, 12)",
        "DrawIndexedPrimitive(4, 8, 0, 8, 42, 4)",
    };
    EXPECT_EQ(Draws(), expected);
    EXPECT_TRUE(Log().Contains("SetFVF(530)"));

    // A different usage gets a buffer of its own.
    Mesh third(states, *b, nullptr, {0x208, 8}, false, buffers);
    ASSERT_TRUE(third.RestoreDeviceObjects());
    EXPECT_NE(third.GetVertexBuffer(), first.GetVertexBuffer());
    EXPECT_EQ(third.GetIndexBuffer(), first.GetIndexBuffer());
}

TEST_F(MeshTest, AlignedStrideSpacesTheVertices) {
    auto data = Box({0, 0, 0}, {2, 2, 2});
    ASSERT_EQ(data->stride, 40u);
    RenderStates states;
    Mesh mesh(states, *data, nullptr, {8, 8}, true, buffers);
    ASSERT_TRUE(mesh.RestoreDeviceObjects());
    EXPECT_EQ(mesh.GetStride(), 64u);
    gfx::D3DVERTEXBUFFER_DESC desc{};
    mesh.GetVertexBuffer()->GetDesc(&desc);
    void* bytes = nullptr;
    ASSERT_EQ(mesh.GetVertexBuffer()->Lock(0, 0, &bytes, 0), gfx::S_OK);
    float second[3];
    std::memcpy(second, static_cast<std::uint8_t*>(bytes) + 64, sizeof second);
    mesh.GetVertexBuffer()->Unlock();
    EXPECT_EQ(second[0], 1.0f);
    EXPECT_EQ(second[1], -1.0f);
    Log().Clear();
    mesh.Draw();
    EXPECT_TRUE(Log().Contains("SetStreamSource(0, " +
                               gfx::fake::FakeDevice::NameOf(mesh.GetVertexBuffer()) + ", 0, 64)"))
        << ::testing::PrintToString(Log().Calls());
}

TEST_F(MeshTest, PretransformedVerticesDrawWithoutFog) {
    auto record = MeshRecord(0x004 | 0x040, 3, 60, 0);  // XYZRHW | DIFFUSE
    auto data = VertexData::Load("m", *record);
    ASSERT_TRUE(data);
    RenderStates states;
    Mesh mesh(states, *data, nullptr, {8, 8}, false, buffers);
    ASSERT_TRUE(mesh.RestoreDeviceObjects());
    DeviceStateCache().SetRenderState(gfx::D3DRS_FOGENABLE, 1);
    Log().Clear();
    ASSERT_TRUE(mesh.Draw());
    const auto& calls = Log().Calls();
    const auto off = std::find(calls.begin(), calls.end(), "SetRenderState(28, 0)");
    const auto draw = std::find(calls.begin(), calls.end(), "DrawPrimitive(4, 0, 1)");
    const auto on = std::find(calls.begin(), calls.end(), "SetRenderState(28, 1)");
    ASSERT_NE(draw, calls.end()) << ::testing::PrintToString(calls);
    EXPECT_LT(off, draw);
    EXPECT_GT(on, draw);
    EXPECT_NE(on, calls.end());
}

TEST_F(MeshTest, HiddenOrBufferlessMeshes) {
    auto data = Box({0, 0, 0}, {1, 1, 1});
    RenderStates states;
    Mesh mesh(states, *data, nullptr, {8, 8}, false, buffers);
    EXPECT_FALSE(mesh.Draw()) << "no buffers yet";
    ASSERT_TRUE(mesh.RestoreDeviceObjects());
    mesh.SetHidden(true);
    Log().Clear();
    EXPECT_TRUE(mesh.Draw());
    EXPECT_TRUE(Draws().empty());
}

std::unique_ptr<UdfNode> SkinRecord(const std::vector<std::string>& bones,
                                    const std::vector<std::uint32_t>& counts,
                                    const std::vector<std::pair<std::uint32_t, float>>& weights) {
    auto record = std::make_unique<UdfNode>("skin", "Mesh");
    UdfNode* names = record->addChild(std::make_unique<UdfNode>("BoneNames"));
    names->setContainer();
    for (std::size_t i = 0; i < bones.size(); ++i) {
        names->addString(std::to_string(i), bones[i]);
    }
    std::vector<std::uint32_t> offsets;
    std::uint32_t at = 0;
    for (std::uint32_t c : counts) {
        offsets.push_back(at);
        at += c;
    }
    AddRaw(*record, "VertBoneOffs", offsets);
    AddRaw(*record, "VertBoneNums", counts);
    std::vector<std::uint8_t> bytes(weights.size() * 8);
    for (std::size_t i = 0; i < weights.size(); ++i) {
        std::memcpy(&bytes[i * 8], &weights[i].first, 4);
        std::memcpy(&bytes[i * 8 + 4], &weights[i].second, 4);
    }
    AddRaw(*record, "BoneWeights", bytes);
    return record;
}

TEST(Skin, LoadRefusesWhatDoesNotHoldTogether) {
    EXPECT_TRUE(Skin::Load(*SkinRecord({"a", "b"}, {2, 1}, {{0, 0.5f}, {1, 0.5f}, {1, 1}}), 2));
    EXPECT_FALSE(Skin::Load(*SkinRecord({"a", "b"}, {2, 1}, {{0, 0.5f}, {2, 0.5f}, {1, 1}}), 2))
        << "bone number past the bone list";
    EXPECT_FALSE(Skin::Load(*SkinRecord({"a"}, {2, 1000000}, {{0, 0.5f}, {0, 0.5f}}), 2))
        << "counts beyond the weights";
    EXPECT_FALSE(Skin::Load(*SkinRecord({"a"}, {1}, {{0, 0.5f}}), 3))
        << "fewer per-vertex counts than vertices";
    EXPECT_FALSE(
        Skin::Load(*SkinRecord({"a"}, {1}, {{0, std::numeric_limits<float>::quiet_NaN()}}), 1));
    auto misnumbered = SkinRecord({"a"}, {1}, {{0, 1}});
    misnumbered->findChild("BoneNames")->addString("7", "b");
    EXPECT_FALSE(Skin::Load(*misnumbered, 1)) << "bone member named past the list";
}

TEST_F(MeshTest, TwoBoneVertexBlend) {
    // Bones: a moves by (10, 0, 0); b turns a quarter about z.
    Node root("root", "Node");
    Node* a = root.AddChild(std::make_unique<Node>("Bone_A", "bone"));
    Node* b = root.AddChild(std::make_unique<Node>("bone_b", "Bone"));
    // Both rest at the origin; their animations carry them to the current pose.
    auto moveA = std::make_shared<Animation>();
    moveA->GetPositionTrack().AddKey(MakeKey(0, 10, 0, 0));
    a->SetAnimation(moveA);
    auto turnB = std::make_shared<Animation>();
    const Quaternion quarter = QuaternionRotationAxis({0, 0, 1}, 3.14159265f / 2);
    turnB->GetRotationTrack().AddKey(MakeKey(0, quarter.x, quarter.y, quarter.z, quarter.w));
    b->SetAnimation(turnB);
    RenderContext context;
    context.flags = kRenderNoDrawing | kRenderAnimate;
    root.Render(context);

    auto boxRecord = std::make_unique<UdfNode>("holder");
    AddBox(*boxRecord, "box", {0, 0, 0}, {2, 2, 2});
    auto data = VertexData::Load("box", *boxRecord->findChild("box"));
    ASSERT_TRUE(data);
    std::vector<std::uint32_t> counts(8, 1);
    counts[1] = 2;  // vertex 1 at (1, -1, -1)
    std::vector<std::pair<std::uint32_t, float>> weights = {{0, 1.0f}, {0, 0.25f}, {1, 0.75f}};
    for (int v = 2; v < 8; ++v) {
        weights.push_back({1, 1.0f});
    }
    auto skin = Skin::Load(*SkinRecord({"bone_a", "BONE_B"}, counts, weights), 8);
    ASSERT_TRUE(skin);
    EXPECT_FALSE(skin->Bind(*root.Find("bone_a")));  // bone_b is not below bone_a
    ASSERT_TRUE(skin->Bind(root));

    RenderStates states;
    Mesh mesh(states, *data, skin.get(), {8, 8}, false, buffers);
    ASSERT_TRUE(mesh.RestoreDeviceObjects());
    EXPECT_TRUE(mesh.GetVertexBufferDesc().usage & gfx::D3DUSAGE_DYNAMIC);
    mesh.SetWorld(MatrixTranslation(0, 0, 100));
    ASSERT_TRUE(mesh.Draw());
    void* bytes = nullptr;
    ASSERT_EQ(mesh.GetVertexBuffer()->Lock(0, 0, &bytes, 0), gfx::S_OK);
    float v1[8];
    std::memcpy(v1, static_cast<std::uint8_t*>(bytes) + 40, sizeof v1);
    mesh.GetVertexBuffer()->Unlock();
    // p = (1, -1, 99) after the mesh world; a gives (11, -1, 99), b gives (1, 1, 99).
    EXPECT_NEAR(v1[0], 0.25f * 11 + 0.75f * 1, 1e-4f);
    EXPECT_NEAR(v1[1], 0.25f * -1 + 0.75f * 1, 1e-4f);
    EXPECT_NEAR(v1[2], 99.0f, 1e-4f);
    float source[8];
    std::memcpy(source, data->vertices + 40, sizeof source);
    EXPECT_EQ(v1[3], source[3]) << "the normal keeps its source value";
    EXPECT_EQ(v1[5], source[5]);
    EXPECT_EQ(v1[6], 1.0f) << "the texture coordinates keep their source values";
    // The deformed positions are in world space: the world transform is the identity.
    EXPECT_TRUE(Log().Contains("SetTransform(256, [1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1])"))
        << ::testing::PrintToString(Log().Calls());
    EXPECT_NEAR(mesh.GetWorldBoundingBox().centre.z, 100.0f, 1e-4f);
}

TEST_F(MeshTest, UnboundSkinDrawsNothing) {
    auto boxRecord = std::make_unique<UdfNode>("holder");
    AddBox(*boxRecord, "box", {0, 0, 0}, {2, 2, 2});
    auto data = VertexData::Load("box", *boxRecord->findChild("box"));
    auto skin = Skin::Load(*SkinRecord({"missing"}, std::vector<std::uint32_t>(8, 1),
                                       std::vector<std::pair<std::uint32_t, float>>(8, {0, 1})),
                           8);
    ASSERT_TRUE(skin);
    Node root("root", "Node");
    EXPECT_FALSE(skin->Bind(root));
    RenderStates states;
    Mesh mesh(states, *data, skin.get(), {8, 8}, false, buffers);
    ASSERT_TRUE(mesh.RestoreDeviceObjects());
    Log().Clear();
    EXPECT_TRUE(mesh.Draw());
    EXPECT_TRUE(Draws().empty());
}

}  // namespace
