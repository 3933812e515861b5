#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fake_device_fixture.h"
#include "render/scene/animation/animation.h"
#include "render/scene/mesh.h"
#include "render/scene/render_context.h"
#include "render/scene/scene.h"
#include "render/scene/skin.h"
#include "scene_builder.h"
#include "vfs/search_paths.h"

namespace {

using namespace render;
using namespace render::test;
using udf::UdfNode;

class SceneTest : public FakeDeviceTest {
protected:
    SceneTest() : file("_root", "_roottype") {}

    UdfNode* Top() { return Children(file); }

    bool Load(Scene& target) {
        bytes.push_back(SceneBytes(file));
        const auto& image = bytes.back();
        return target.Load(vfs::FileSource(image.data(), std::uint32_t(image.size())), paths);
    }
    bool Load() { return Load(scene); }

    UdfNode file;
    Scene scene;
    vfs::SearchPaths paths;
    std::vector<std::vector<std::uint8_t>> bytes;
};

TEST_F(SceneTest, FindIgnoresCaseDepthFirst) {
    UdfNode* group = AddDummy(*Top(), "Group01");
    AddDummy(*Children(*group), "clock glass");
    AddDummy(*Children(*group), "strelka_1Big");
    AddDummy(*Top(), "Clock Glass");  // the same name: merged into the first
    ASSERT_TRUE(Load());
    Node* root = scene.GetRoot();
    Node* glass = root->Find("Clock glass");
    ASSERT_NE(glass, nullptr);
    EXPECT_EQ(glass->Name(), "clock glass");
    EXPECT_EQ(glass->Parent()->Name(), "Group01");
    EXPECT_EQ(root->Find("strelka_1big")->Name(), "strelka_1Big");
    EXPECT_EQ(root->Find("STRELKA_1BIG"), root->Find("strelka_1big"));
    EXPECT_EQ(root->Find("strelka"), nullptr);
    EXPECT_EQ(root->Children().size(), 1u);
    EXPECT_EQ(root->Find("root"), root) << "a node finds itself first";
}

TEST_F(SceneTest, DuplicateNamesMergeIntoOneNode) {
    UdfNode* first = AddBox(*Top(), "Lamp", {0, 0, 0}, {1, 1, 1});
    AddDummy(*Children(*first), "Bulb");
    UdfNode* group = AddDummy(*Top(), "Group");
    UdfNode* second = AddBox(*Children(*group), "LAMP", {9, 9, 9}, {1, 1, 1});
    second->removeChild("NodeTM");
    AddMatrix(*second, "NodeTM", MatrixTranslation(3, 4, 5));
    AddTrack(*second, "Position", "Sample", {MakeKey(0, 1, 1, 1)});
    AddDummy(*Children(*second), "Shade");
    ASSERT_TRUE(Load());
    Node* lamp = scene.GetRoot()->Find("lamp");
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(lamp->Parent(), scene.GetRoot());
    EXPECT_TRUE(scene.GetRoot()->Find("Group")->Children().empty());
    ASSERT_EQ(lamp->Children().size(), 2u);
    EXPECT_EQ(lamp->Children()[1]->Name(), "Shade");
    EXPECT_FLOAT_EQ(lamp->GetPosition().x, 3.0f) << "the second record's transforms";
    EXPECT_NE(lamp->GetAnimation(), nullptr) << "and its animation";
    // Its drawable is the first record's: not loaded again.
    ASSERT_NE(lamp->GetDrawable(), nullptr);
    EXPECT_FLOAT_EQ(lamp->GetDrawable()->GetBoundingBox().centre.x, 0.0f);
}

TEST_F(SceneTest, MeshWithoutVerticesIsAPlainNode) {
    UdfNode* empty = AddBox(*Top(), "empty", {0, 0, 0}, {1, 1, 1});
    empty->removeChild("NumVerts");
    empty->addInt("NumVerts", 0);
    AddDummy(*Children(*empty), "child");
    ASSERT_TRUE(Load());
    Node* node = scene.GetRoot()->Find("empty");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->GetDrawable(), nullptr);
    EXPECT_NE(node->Find("child"), nullptr);
    EXPECT_EQ(scene.FindVertexData("empty"), nullptr);
}

TEST_F(SceneTest, TransformsFromNodeTmAndObjectTm) {
    const Matrix nodeTm = MatrixMultiply(
        MatrixMultiply(MatrixScaling(2, 2, 2),
                       MatrixRotationQuaternion(QuaternionRotationAxis({0, 0, 1}, 0.5f))),
        MatrixTranslation(1, 2, 3));
    Matrix nearly = MatrixIdentity();
    nearly.m[3][0] = 0.009f;
    Matrix offset = MatrixIdentity();
    offset.m[3][0] = 0.02f;
    UdfNode* a = AddDummy(*Top(), "a");
    a->removeChild("NodeTM");
    a->removeChild("ObjectTM");
    AddTransforms(*a, nodeTm, nearly);
    UdfNode* b = AddDummy(*Top(), "b");
    b->removeChild("ObjectTM");
    AddMatrix(*b, "ObjectTM", offset);
    UdfNode* c = AddDummy(*Top(), "c");
    c->removeChild("ObjectTM");  // only NodeTM: the transforms are not set
    c->removeChild("NodeTM");
    AddMatrix(*c, "NodeTM", MatrixTranslation(7, 7, 7));
    UdfNode* sheared = AddDummy(*Top(), "sheared");
    Matrix shear = MatrixIdentity();
    shear.m[1][0] = 0.5f;
    shear.m[3][2] = 4.0f;
    sheared->removeChild("NodeTM");
    AddMatrix(*sheared, "NodeTM", shear);
    ASSERT_TRUE(Load());
    Node* root = scene.GetRoot();
    EXPECT_FLOAT_EQ(root->Find("a")->GetScale().y, 2.0f);
    EXPECT_FLOAT_EQ(root->Find("a")->GetPosition().z, 3.0f);
    EXPECT_EQ(root->Find("a")->GetObjectTransform(), nullptr) << "within the tolerance";
    ASSERT_NE(root->Find("b")->GetObjectTransform(), nullptr);
    EXPECT_FLOAT_EQ(root->Find("c")->GetPosition().x, 0.0f);
    const Matrix rest = root->Find("sheared")->GetRestMatrix();
    EXPECT_FLOAT_EQ(rest.m[1][0], 0.5f) << "kept whole when it doesn't decompose";
    // Bind matrices: the inverse of each node's world.
    const Matrix check =
        MatrixMultiply(root->Find("a")->GetBindWorld(), root->Find("a")->GetInverseBind());
    EXPECT_TRUE(MatrixIsIdentity(check, 1e-4f));
}

TEST_F(SceneTest, BadInputLeavesTheNodeOrFeatureOut) {
    // A node whose children link back to itself, and a record linked twice.
    UdfNode* loop = AddDummy(*Top(), "loop");
    Children(*loop)->addLink(loop);
    Children(*loop)->addLink(loop);
    // NaN matrices.
    UdfNode* nan = AddDummy(*Top(), "nan");
    Matrix bad = MatrixIdentity();
    bad.m[2][2] = std::numeric_limits<float>::quiet_NaN();
    nan->removeChild("NodeTM");
    AddMatrix(*nan, "NodeTM", bad);
    // NaN keys and thousands of keys at one time.
    UdfNode* keys = AddDummy(*Top(), "keys");
    AddTrack(*keys, "Position", "Sample", {MakeKey(std::numeric_limits<float>::quiet_NaN(), 1)});
    UdfNode* crowd = AddDummy(*Top(), "crowd");
    AddTrack(*crowd, "Rotation", "Sample", std::vector<Key>(5000, MakeKey(1, 0, 0, 0, 1)));
    // Counts far beyond their bytes.
    UdfNode* greedy = AddBox(*Top(), "greedy", {0, 0, 0}, {1, 1, 1});
    greedy->removeChild("NumIndexes");
    greedy->addInt("NumIndexes", 0x7FFFFFFF);
    // A bone number past the bone list, and a skin naming a node that is not there.
    for (const char* name : {"past", "missing"}) {
        UdfNode* skinned = AddBox(*Top(), name, {0, 0, 0}, {1, 1, 1});
        UdfNode* bones = skinned->addChild(std::make_unique<UdfNode>("BoneNames"));
        bones->setContainer();
        bones->addString("0", std::string(name) == "past" ? "loop" : "nowhere");
        AddRaw(*skinned, "VertBoneOffs", std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5, 6, 7});
        AddRaw(*skinned, "VertBoneNums", std::vector<std::uint32_t>(8, 1));
        std::vector<std::uint32_t> weights;
        for (int v = 0; v < 8; ++v) {
            weights.push_back(std::string(name) == "past" && v == 3 ? 5 : 0);
            weights.push_back(std::bit_cast<std::uint32_t>(1.0f));
        }
        AddRaw(*skinned, "BoneWeights", weights);
    }
    ASSERT_TRUE(Load());
    Node* root = scene.GetRoot();
    ASSERT_NE(root->Find("loop"), nullptr);
    EXPECT_TRUE(root->Find("loop")->Children().empty());
    EXPECT_TRUE(MatrixIsIdentity(root->Find("nan")->GetRestMatrix()));
    EXPECT_EQ(root->Find("keys")->GetAnimation(), nullptr);
    ASSERT_NE(root->Find("crowd")->GetAnimation(), nullptr);
    EXPECT_EQ(root->Find("crowd")->GetAnimation()->GetRotationTrack().KeyCount(), 1u);
    EXPECT_EQ(root->Find("greedy")->GetDrawable(), nullptr);
    EXPECT_EQ(root->Find("past")->GetDrawable(), nullptr);
    Mesh* unbound = root->Find("missing")->GetDrawable();
    ASSERT_NE(unbound, nullptr);
    EXPECT_FALSE(unbound->GetSkin()->IsBound());
    RenderContext context;
    context.flags = kRenderAnimate;
    Log().Clear();
    root->Render(context);
    EXPECT_EQ(Log().Count("DrawIndexedPrimitive"), 0u);
}

TEST_F(SceneTest, DeepNestingIsCut) {
    UdfNode* at = Top();
    for (int i = 0; i < Scene::kMaxDepth + 50; ++i) {
        at = Children(*AddDummy(*at, "n" + std::to_string(i)));
    }
    ASSERT_TRUE(Load());
    EXPECT_NE(scene.GetRoot()->Find("n" + std::to_string(Scene::kMaxDepth - 1)), nullptr);
    EXPECT_EQ(scene.GetRoot()->Find("n" + std::to_string(Scene::kMaxDepth)), nullptr);
}

TEST_F(SceneTest, UnreadableFilesAndUnknownLightsFail) {
    Scene other;
    const std::uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_FALSE(other.Load(vfs::FileSource(junk, sizeof junk), paths));
    EXPECT_FALSE(other.Load("no/such/scene.UDF", paths));

    UdfNode* lights = file.addArray("Lights", "Light", 0);
    lights->setContainer();
    AddLight(*lights, "sun", "DirLight", MatrixIdentity(), 0);
    AddLight(*lights, "torch", "TorchLight", MatrixIdentity(), 10);
    EXPECT_FALSE(Load());
}

TEST_F(SceneTest, CamerasLoadUnderTheirOwnRoot) {
    UdfNode* cameras = file.addArray("Cameras", "Node", 0);
    cameras->setContainer();
    AddDummy(*cameras, "Camera01", MatrixTranslation(0, -100, 50), "Node");
    AddDummy(*Top(), "Camera01");
    ASSERT_TRUE(Load());
    Node* camera = scene.GetCameraRoot()->Find("camera01");
    ASSERT_NE(camera, nullptr);
    EXPECT_FLOAT_EQ(camera->GetPosition().y, -100.0f);
    EXPECT_NE(scene.GetRoot()->Find("Camera01"), nullptr);
    EXPECT_NE(scene.GetRoot()->Find("Camera01"), camera);
}

TEST_F(SceneTest, LoadingAgainMergesIntoTheScene) {
    AddDummy(*Top(), "first");
    ASSERT_TRUE(Load());
    UdfNode second("_root", "_roottype");
    AddDummy(*Children(second), "FIRST", MatrixTranslation(1, 0, 0));
    AddDummy(*Children(second), "second");
    bytes.push_back(SceneBytes(second));
    ASSERT_TRUE(scene.Load(vfs::FileSource(bytes.back().data(), std::uint32_t(bytes.back().size())),
                           paths));
    EXPECT_EQ(scene.GetRoot()->Children().size(), 2u);
    EXPECT_FLOAT_EQ(scene.GetRoot()->Find("first")->GetPosition().x, 1.0f);
}

// A scene subclass may replace the creation steps.
class CountingScene : public Scene {
public:
    int meshes = 0, lights = 0, transforms = 0;

protected:
    std::unique_ptr<Mesh> CreateMesh(Node& node, const UdfNode& meshNode,
                                     const RenderStates* material, const VertexData& data,
                                     const Skin* skin) override {
        ++meshes;
        return Scene::CreateMesh(node, meshNode, material, data, skin);
    }
    bool RegisterLight(const UdfNode&) override {
        ++lights;
        return true;
    }
    void SetNodeTransforms(Node&, const UdfNode&) override { ++transforms; }
};

TEST_F(SceneTest, CreationStepsCanBeReplaced) {
    AddBox(*Top(), "box", {0, 0, 0}, {1, 1, 1});
    AddDummy(*Top(), "dummy", MatrixTranslation(5, 0, 0));
    UdfNode* lights = file.addArray("Lights", "Light", 0);
    lights->setContainer();
    AddLight(*lights, "odd", "NoSuchLight", MatrixIdentity(), 0);
    CountingScene counting;
    ASSERT_TRUE(Load(counting));
    EXPECT_EQ(counting.meshes, 1);
    EXPECT_EQ(counting.lights, 1);
    EXPECT_EQ(counting.transforms, 2);
    EXPECT_FLOAT_EQ(counting.GetRoot()->Find("dummy")->GetPosition().x, 0.0f);
    EXPECT_NE(counting.GetRoot()->Find("box")->GetDrawable(), nullptr);
}

}  // namespace
