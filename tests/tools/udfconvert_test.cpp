// Writes small glTF scenes the way Blender exports them (Z up, metres), runs the udfconvert tool
// over them and reads the results back with the engine's own scene and camera path loaders.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <nlohmann/json.hpp>

#include "../render/fake_device_fixture.h"
#include "../render/test_images.h"
#include "render/scene/animation/animation.h"
#include "render/scene/animation/camera_path.h"
#include "render/scene/mesh.h"
#include "render/scene/scene.h"
#include "render/scene/vertex_data.h"
#include "render/textures/texture.h"
#include "scene_converter.h"
#include "vfs/search_paths.h"

namespace {

using namespace render;
using Json = nlohmann::json;

constexpr float kPi = 3.14159265f;

int RunTool(const std::string& arguments) {
    const std::string command = std::string(ZORVANE_BINARY_DIR) + "/tools/udfconvert/udfconvert " +
                                arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::filesystem::path Scratch(const std::string& name) {
    const auto dir = std::filesystem::path(ZORVANE_BINARY_DIR) / "udfconvert_test" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A glTF document with its binary buffer: accessors are appended to one buffer view each.
class Gltf {
public:
    Gltf() {
        json["asset"] = {{"version", "2.0"}, {"generator", "Khronos glTF Blender I/O v3.4.50"}};
        json["scene"] = 0;
        json["scenes"] = Json::array({Json{{"nodes", Json::array()}}});
        for (const char* list : {"nodes", "meshes", "materials", "textures", "images", "accessors",
                                 "bufferViews", "animations", "cameras"}) {
            json[list] = Json::array();
        }
    }

    int Floats(const std::vector<float>& values, const char* type) {
        const int components = std::string(type) == "SCALAR" ? 1
                               : std::string(type) == "VEC2" ? 2
                               : std::string(type) == "VEC3" ? 3
                                                             : 4;
        Json accessor = View(values.data(), values.size() * 4);
        accessor["componentType"] = 5126;
        accessor["count"] = values.size() / std::size_t(components);
        accessor["type"] = type;
        std::vector<float> low(std::size_t(components), 1e30f),
            high(std::size_t(components), -1e30f);
        for (std::size_t i = 0; i < values.size(); ++i) {
            low[i % std::size_t(components)] =
                std::min(low[i % std::size_t(components)], values[i]);
            high[i % std::size_t(components)] =
                std::max(high[i % std::size_t(components)], values[i]);
        }
        accessor["min"] = low;
        accessor["max"] = high;
        json["accessors"].push_back(accessor);
        return int(json["accessors"].size()) - 1;
    }

    int Indices(const std::vector<std::uint16_t>& values) {
        Json accessor = View(values.data(), values.size() * 2);
        accessor["componentType"] = 5123;
        accessor["count"] = values.size();
        accessor["type"] = "SCALAR";
        json["accessors"].push_back(accessor);
        return int(json["accessors"].size()) - 1;
    }

    int Material(const std::string& name, const std::string& image, Json extras = nullptr,
                 std::vector<float> colour = {}) {
        Json material{{"name", name}, {"pbrMetallicRoughness", Json::object()}};
        if (!image.empty()) {
            json["images"].push_back({{"uri", image}});
            json["textures"].push_back({{"source", json["images"].size() - 1}});
            material["pbrMetallicRoughness"]["baseColorTexture"] = {
                {"index", json["textures"].size() - 1}};
        }
        if (!colour.empty()) {
            material["pbrMetallicRoughness"]["baseColorFactor"] = colour;
        }
        if (!extras.is_null()) {
            material["extras"] = extras;
        }
        json["materials"].push_back(material);
        return int(json["materials"].size()) - 1;
    }

    // One triangle primitive: corners, the normal they share, and two UV sets (the second only
    // when `uv1` is given).
    Json Triangle(const std::vector<float>& corners, std::vector<float> normal,
                  const std::vector<float>& uv0, const std::vector<float>& uv1, int material) {
        Json attributes{{"POSITION", Floats(corners, "VEC3")},
                        {"NORMAL", Floats({normal[0], normal[1], normal[2], normal[0], normal[1],
                                           normal[2], normal[0], normal[1], normal[2]},
                                          "VEC3")},
                        {"TEXCOORD_0", Floats(uv0, "VEC2")}};
        if (!uv1.empty()) {
            attributes["TEXCOORD_1"] = Floats(uv1, "VEC2");
        }
        return {
            {"attributes", attributes}, {"indices", Indices({0, 1, 2})}, {"material", material}};
    }

    int Mesh(const std::string& name, const std::vector<Json>& primitives) {
        json["meshes"].push_back({{"name", name}, {"primitives", primitives}});
        return int(json["meshes"].size()) - 1;
    }

    int Node(Json node, int parent = -1) {
        json["nodes"].push_back(node);
        const int index = int(json["nodes"].size()) - 1;
        if (parent < 0) {
            json["scenes"][0]["nodes"].push_back(index);
        } else {
            json["nodes"][std::size_t(parent)]["children"].push_back(index);
        }
        return index;
    }

    void Animate(int node, const char* path, const std::vector<float>& times,
                 const std::vector<float>& values) {
        if (json["animations"].empty()) {
            json["animations"].push_back(
                {{"name", "Action"}, {"channels", Json::array()}, {"samplers", Json::array()}});
        }
        Json& animation = json["animations"][0];
        const int input = Floats(times, "SCALAR");
        const int output = Floats(values, std::string(path) == "rotation" ? "VEC4" : "VEC3");
        animation["samplers"].push_back(
            {{"input", input}, {"output", output}, {"interpolation", "LINEAR"}});
        animation["channels"].push_back({{"sampler", animation["samplers"].size() - 1},
                                         {"target", {{"node", node}, {"path", path}}}});
    }

    // Writes name.gltf and name.bin into `folder`.
    std::filesystem::path Write(const std::filesystem::path& folder,
                                const std::string& name = "scene") {
        json["buffers"] = Json::array({{{"uri", name + ".bin"}, {"byteLength", bytes.size()}}});
        WriteBytes(folder / (name + ".bin"), bytes);
        const auto path = folder / (name + ".gltf");
        WriteText(path, json.dump(1));
        return path;
    }

    Json json;
    std::vector<std::uint8_t> bytes;

private:
    Json View(const void* data, std::size_t size) {
        while (bytes.size() % 4) {
            bytes.push_back(0);
        }
        json["bufferViews"].push_back(
            {{"buffer", 0}, {"byteOffset", bytes.size()}, {"byteLength", size}});
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
        return {{"bufferView", json["bufferViews"].size() - 1}};
    }
};

Quaternion AxisAngle(float x, float y, float z, float angle) {
    const float length = std::sqrt(x * x + y * y + z * z);
    const float s = std::sin(angle / 2) / length;
    return {x * s, y * s, z * s, std::cos(angle / 2)};
}

// The pendulum swings by 5 degrees about a tilted axis, so that the mirror's effect on every
// component shows.
Quaternion Swing(int key) {
    return AxisAngle(0.2f, 1.0f, 0.3f, 5.0f * kPi / 180.0f * std::sin(kPi * float(key) / 15.0f));
}

// The room as Blender would give it: a dummy "Group" turned a quarter about Z holding the
// light-mapped "Face", which faces Blender's front view (-Y); a second light-mapped mesh on
// another atlas; the swinging "Pendulum" with two materials; and the camera "c1" looking along
// +Y at the face while it moves 1 m along X in 2 s and turns 30 degrees to the left.
std::filesystem::path WriteRoom(const std::filesystem::path& folder) {
    for (const char* image : {"wood grain.tga", "lm_room.tga", "lm_b.tga"}) {
        WriteBytes(folder / image,
                   test::MakeTga(2, 2, std::vector<std::uint32_t>(4, 0xFF806040), 24));
    }
    Gltf gltf;
    const int wood =
        gltf.Material("wood", "wood%20grain.tga", {{"lightmap", "lm_room.tga"}, {"TwoSided", 1}});
    const int brass = gltf.Material("brass", "", {{"Opacity", 0.5}}, {0.8f, 0.6f, 0.2f, 1.0f});
    const int glass = gltf.Material("glass", "");
    // Counter-clockwise seen from local -X, which the group turns to -Y.
    const int face =
        gltf.Mesh("FaceMesh", {gltf.Triangle({0, 0, 0, 0, -1, 0, 0, 0, 1}, {-1, 0, 0},
                                             {0.25f, 0.1f, 0.75f, 0.1f, 0.25f, 0.9f},
                                             {0.5f, 0.5f, 1.0f, 0.5f, 0.5f, 1.0f}, wood)});
    const int other =
        gltf.Mesh("OtherMesh", {gltf.Triangle({0, 0, 0, 1, 0, 0, 0, 0, 1}, {0, -1, 0},
                                              {0, 0, 1, 0, 0, 1}, {0, 0, 1, 0, 0, 1}, wood)});
    const int pendulum = gltf.Mesh(
        "PendulumMesh",
        {gltf.Triangle({0, 0, 0, 0.1f, 0, 0, 0, 0, -1}, {0, -1, 0}, {0, 0, 1, 0, 0, 1}, {}, brass),
         gltf.Triangle({0, 0, -1, 0.1f, 0, -1, 0, 0, -1.1f}, {0, -1, 0}, {0, 0, 1, 0, 0, 1}, {},
                       glass)});

    const Quaternion quarter = AxisAngle(0, 0, 1, kPi / 2);
    const int group = gltf.Node({{"name", "Group"},
                                 {"translation", {1, 2, 0}},
                                 {"rotation", {quarter.x, quarter.y, quarter.z, quarter.w}},
                                 {"extras", {{"Note", "dummies keep no keys"}}}});
    gltf.Node({{"name", "Face"},
               {"mesh", face},
               {"translation", {0, 0, 0.5}},
               {"extras", {{"AlphaUse", "factor"}, {"Alpha", 0.25}, {"Junk", 3}}}},
              group);
    gltf.Node({{"name", "Other"},
               {"mesh", other},
               {"translation", {-1, 0, 0}},
               {"extras", {{"lightmap", "lm_b.tga"}, {"AlphaUse", 1}}}});
    const int swinging =
        gltf.Node({{"name", "Pendulum"}, {"mesh", pendulum}, {"translation", {0, 0.5, 1.5}}});
    std::vector<float> times, swing;
    for (int k = 0; k <= 30; ++k) {
        times.push_back(float(k) / 15.0f);
        const Quaternion q = Swing(k);
        swing.insert(swing.end(), {q.x, q.y, q.z, q.w});
    }
    gltf.Animate(swinging, "rotation", times, swing);
    // Blender's sampling also writes channels that only hold the rest pose.
    gltf.Animate(swinging, "translation", {0, 2}, {0, 0.5f, 1.5f, 0, 0.5f, 1.5f});

    gltf.json["cameras"].push_back(
        {{"name", "Lens"},
         {"type", "perspective"},
         {"perspective", {{"yfov", 0.8}, {"znear", 0.1}, {"zfar", 100}}}});
    const Quaternion front = AxisAngle(1, 0, 0, kPi / 2);
    const int camera = gltf.Node({{"name", "c1"},
                                  {"camera", 0},
                                  {"translation", {1.5, -1, 1}},
                                  {"rotation", {front.x, front.y, front.z, front.w}}});
    gltf.Animate(camera, "translation", {0, 2}, {1.5f, -1, 1, 2.5f, -1, 1});
    // Blender's exporter writes animated camera rotations turned by its Y-up correction, a
    // quarter turn about -X: the camera's quarter turn about +X reads as no turn at all, and
    // the same camera turned 30 degrees about Z as that turn alone.
    const Quaternion yaw = AxisAngle(0, 0, 1, kPi / 6);
    gltf.Animate(camera, "rotation", {0, 2}, {0, 0, 0, 1, yaw.x, yaw.y, yaw.z, yaw.w});
    return gltf.Write(folder);
}

Vector3 CornerUv(const VertexData& data, std::uint32_t vertex, int set) {
    float uv[2];
    std::memcpy(uv, data.vertices + std::size_t(vertex) * data.stride + 24 + 8 * set, sizeof uv);
    return {uv[0], uv[1], 0};
}

void ExpectNear(Vector3 actual, Vector3 expected, float tolerance, const char* what) {
    EXPECT_NEAR(actual.x, expected.x, tolerance) << what;
    EXPECT_NEAR(actual.y, expected.y, tolerance) << what;
    EXPECT_NEAR(actual.z, expected.z, tolerance) << what;
}

std::string TextureName(const StageState& stage) {
    return stage.texture ? std::filesystem::path(stage.texture->SourcePath()).filename().string()
                         : std::string();
}

class UdfconvertTest : public test::FakeDeviceTest {
protected:
    void SetUp() override {
        FakeDeviceTest::SetUp();
        folder = Scratch(::testing::UnitTest::GetInstance()->current_test_info()->name());
        out = folder / "out";
    }

    bool Convert(const std::filesystem::path& gltf) {
        return RunTool(gltf.string() + " " + out.string()) == 0;
    }

    bool LoadScene(Scene& scene) {
        vfs::FileSource source{core::EngineString((out / "clock.UDF").string())};
        source.flags = vfs::kSourceDisk;
        vfs::SearchPaths paths;
        // The images stay beside the glTF; the scene names them only.
        paths.add(vfs::FileSource(core::EngineString(folder.string())));
        return scene.Load(std::move(source), paths);
    }

    std::filesystem::path folder, out;
};

TEST_F(UdfconvertTest, SceneKeepsNamesHierarchyAndMirroredGeometry) {
    ASSERT_TRUE(Convert(WriteRoom(folder)));
    Scene scene;
    ASSERT_TRUE(LoadScene(scene));
    Node* root = scene.GetRoot();
    ASSERT_EQ(root->Children().size(), 3u);
    Node* group = root->Find("Group");
    Node* face = root->Find("Face");
    ASSERT_TRUE(group && face);
    EXPECT_EQ(group->Parent(), root);
    EXPECT_EQ(group->Type(), "Dummy");
    EXPECT_EQ(face->Parent(), group);
    EXPECT_EQ(face->Type(), "Mesh");
    EXPECT_EQ(root->Find("c1"), nullptr) << "camera nodes become path files only";
    EXPECT_TRUE(scene.GetCameraRoot()->Children().empty());

    // Blender's world corners (1, 2, 0.5), (2, 2, 0.5), (1, 2, 1.5) land at 100 (x, -y, z).
    const VertexData* data = scene.FindVertexData("Face");
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->vertexCount, 3u);
    EXPECT_EQ(data->fvf, 0x002u | 0x010u | 0x200u);
    EXPECT_EQ(data->stride, 40u);
    const Matrix& world = face->GetBindWorld();
    const Vector3 expected[3] = {{100, -200, 50}, {200, -200, 50}, {100, -200, 150}};
    for (std::uint32_t v = 0; v < 3; ++v) {
        ExpectNear(Vec3TransformPoint(data->Position(v), world), expected[v], 1e-3f, "corner");
    }
    float normal[3];
    std::memcpy(normal, data->vertices + 12, sizeof normal);
    ExpectNear(Vec3TransformNormal({normal[0], normal[1], normal[2]}, world), {0, 1, 0}, 1e-5f,
               "the face's normal points to the viewer at +Y");
    ExpectNear(CornerUv(*data, 1, 0), {0.75f, 0.1f, 0}, 1e-6f, "first UV set as exported");
    ExpectNear(CornerUv(*data, 2, 1), {0.5f, 1.0f, 0}, 1e-6f, "second UV set as exported");

    // The pendulum's second material is a child mesh that moves with it.
    Node* pendulum = root->Find("Pendulum");
    ASSERT_NE(pendulum, nullptr);
    ASSERT_EQ(pendulum->Children().size(), 1u);
    const Node& part = *pendulum->Children().front();
    EXPECT_EQ(part.Type(), "Mesh");
    ASSERT_NE(part.GetDrawable(), nullptr);
    const VertexData* partData = scene.FindVertexData(part.Name());
    ASSERT_NE(partData, nullptr);
    EXPECT_EQ(partData->fvf, 0x002u | 0x010u | 0x100u) << "one UV set without a light map";
    ExpectNear(Vec3TransformPoint(partData->Position(2), part.GetBindWorld()), {0, -50, 40}, 1e-3f,
               "the part keeps the pendulum's transform");
}

// The face's winding on the screen of camera c1 (which sees its front): front faces are
// clockwise (x right, y up), so negative area. A negative scale turns the face's front away
// from the camera, as Blender shows it.
TEST_F(UdfconvertTest, FrontFacesStayFrontFacingForTheCamera) {
    struct Case {
        const char* name;
        std::vector<float> scale;
        bool front;
    };
    for (const Case& c : {Case{"plain", {1, 1, 1}, true}, Case{"mirrored", {-1, 1, 1}, false}}) {
        SCOPED_TRACE(c.name);
        const auto gltf = WriteRoom(folder);
        Json json = Json::parse(std::ifstream(gltf));
        json["nodes"][1]["scale"] = c.scale;
        WriteText(gltf, json.dump());
        ASSERT_TRUE(Convert(gltf));
        Scene scene;
        ASSERT_TRUE(LoadScene(scene));
        CameraPath path;
        ASSERT_TRUE(path.LoadFile(vfs::FileSource(core::EngineString((out / "c1.cam").string()))));
        path.Sample(0);
        const Vector3 eye = path.GetPosition();
        const Matrix view = MatrixLookAtLH(eye, eye + path.GetFront(), path.GetUp());
        const Node* face = scene.GetRoot()->Find("Face");
        const VertexData* data = scene.FindVertexData("Face");
        ASSERT_TRUE(face && data && data->indexSize == 2 && data->indexCount == 3);
        float screen[3][2];
        for (int corner = 0; corner < 3; ++corner) {
            std::uint16_t index;
            std::memcpy(&index, data->indices + 2 * corner, sizeof index);
            const Vector3 p = Vec3TransformPoint(
                Vec3TransformPoint(data->Position(index), face->GetBindWorld()), view);
            ASSERT_GT(p.z, 0.0f) << "the face lies in front of the camera";
            screen[corner][0] = p.x / p.z;
            screen[corner][1] = p.y / p.z;
        }
        const float area = (screen[1][0] - screen[0][0]) * (screen[2][1] - screen[0][1]) -
                           (screen[2][0] - screen[0][0]) * (screen[1][1] - screen[0][1]);
        EXPECT_EQ(area < 0, c.front) << area;
    }
}

TEST_F(UdfconvertTest, MaterialsGetTheirStagesAndKeys) {
    ASSERT_TRUE(Convert(WriteRoom(folder)));
    Scene scene;
    ASSERT_TRUE(LoadScene(scene));
    Node* root = scene.GetRoot();
    const RenderStates& face = root->Find("Face")->GetDrawable()->GetRenderStates();
    EXPECT_EQ(TextureName(face.stages[0]), "wood grain.tga") << "the URI's escapes decoded";
    EXPECT_EQ(face.stages[0].texCoordIndex, 0u);
    EXPECT_EQ(TextureName(face.stages[1]), "lm_room.tga");
    EXPECT_EQ(face.stages[1].texCoordIndex, 1u);
    EXPECT_EQ(face.stages[1].colorOp, gfx::D3DTOP_MODULATE2X);
    EXPECT_EQ(face.stages[1].colorArg1, gfx::D3DTA_CURRENT);
    EXPECT_EQ(face.stages[1].colorArg2, gfx::D3DTA_TEXTURE);
    EXPECT_EQ(face.stages[2].colorOp, gfx::D3DTOP_DISABLE);
    EXPECT_EQ(face.cullMode, gfx::D3DCULL_NONE) << "TwoSided from the material's extras";
    EXPECT_EQ(face.stages[0].alphaOp, gfx::D3DTOP_SELECTARG1) << "AlphaUse from the node";
    EXPECT_EQ(face.stages[0].alphaArg1, gfx::D3DTA_TFACTOR);
    EXPECT_FLOAT_EQ(face.opacity, 0.25f);

    // The same material on another atlas is a material of its own.
    const RenderStates& other = root->Find("Other")->GetDrawable()->GetRenderStates();
    EXPECT_EQ(TextureName(other.stages[0]), "wood grain.tga");
    EXPECT_EQ(TextureName(other.stages[1]), "lm_b.tga");
    EXPECT_FLOAT_EQ(other.opacity, 0.5f) << "a numeric AlphaUse asks for the factor";

    const RenderStates& brass = root->Find("Pendulum")->GetDrawable()->GetRenderStates();
    EXPECT_EQ(brass.stages[0].texture, nullptr);
    EXPECT_EQ(brass.stages[1].colorOp, gfx::D3DTOP_DISABLE) << "no light map, one stage";
    EXPECT_FLOAT_EQ(brass.material.Diffuse.r, 0.8f);
    EXPECT_FLOAT_EQ(brass.material.Diffuse.b, 0.2f);
    EXPECT_FLOAT_EQ(brass.opacity, 0.5f) << "Opacity from the material's extras";
    EXPECT_EQ(brass.cullMode, gfx::D3DCULL_CCW);
}

TEST_F(UdfconvertTest, PendulumKeysAndCameraPathConvert) {
    ASSERT_TRUE(Convert(WriteRoom(folder)));
    Scene scene;
    ASSERT_TRUE(LoadScene(scene));
    Node* pendulum = scene.GetRoot()->Find("Pendulum");
    ASSERT_NE(pendulum->GetAnimation(), nullptr);
    Animation& animation = *pendulum->GetAnimation();
    EXPECT_EQ(animation.GetPositionTrack().KeyCount(), 0u) << "rest pose tracks are left out";
    const Track& rotation = animation.GetRotationTrack();
    ASSERT_EQ(rotation.KeyCount(), 31u);
    for (int k = 0; k <= 30; k += 5) {
        const Key& key = rotation.Keys()[std::size_t(k)];
        EXPECT_NEAR(key.time, float(k) / 15.0f, 1e-5f);
        const Quaternion q = Swing(k);
        EXPECT_NEAR(key.value[0], -q.x, 1e-6f);
        EXPECT_NEAR(key.value[1], q.y, 1e-6f);
        EXPECT_NEAR(key.value[2], -q.z, 1e-6f);
        EXPECT_NEAR(key.value[3], q.w, 1e-6f);
    }

    ASSERT_FALSE(std::filesystem::exists(out / "Lens.cam"));
    CameraPath path;
    ASSERT_TRUE(path.LoadFile(vfs::FileSource(core::EngineString((out / "c1.cam").string()))));
    float start = -1, end = -1;
    ASSERT_TRUE(path.GetTimeRange(start, end));
    EXPECT_FLOAT_EQ(start, 0.0f);
    EXPECT_FLOAT_EQ(end, 20.0f) << "2 s are 20 path units";
    EXPECT_EQ(path.GetPositionTrack().KeyCount(), 2u);
    EXPECT_EQ(path.GetRotationTrack().KeyCount(), 2u);
    path.Sample(0);
    ExpectNear(path.GetPosition(), {150, 100, 100}, 1e-3f, "start");
    // Blender's front view looks along +Y; ours looks along -Y at a face that faces +Y.
    ExpectNear(path.GetFront(), {0, -1, 0}, 1e-5f, "front");
    ExpectNear(path.GetUp(), {0, 0, 1}, 1e-5f, "up");
    path.Sample(20);
    ExpectNear(path.GetPosition(), {250, 100, 100}, 1e-3f, "end");
    // Turned left in Blender, to (-sin 30, cos 30, 0); mirrored.
    ExpectNear(path.GetFront(), {-0.5f, -0.8660254f, 0}, 1e-5f, "front at the end");
    ExpectNear(path.GetUp(), {0, 0, 1}, 1e-5f, "up at the end");
}

TEST_F(UdfconvertTest, CameraKeysOfOtherExportersAreTakenAsTheyAre) {
    const auto gltf = WriteRoom(folder);
    Json json = Json::parse(std::ifstream(gltf));
    json["asset"].erase("generator");
    WriteText(gltf, json.dump());
    ASSERT_TRUE(Convert(gltf));
    CameraPath path;
    ASSERT_TRUE(path.LoadFile(vfs::FileSource(core::EngineString((out / "c1.cam").string()))));
    path.Sample(0);
    ExpectNear(path.GetFront(), {0, 0, -1}, 1e-5f, "an unturned camera looks down");
    ExpectNear(path.GetUp(), {0, -1, 0}, 1e-5f, "with Blender's +Y, mirrored, up");
}

TEST(UdfconvertCameraRotation, TurnsBlenderCameraAxesIntoOurs) {
    // Blender rotation (as a quaternion about an axis), the camera's Blender front and up
    // (its local -Z and +Y) after that rotation.
    struct Case {
        Vector3 axis;
        float angle;
        Vector3 front, up;
    } cases[] = {
        {{1, 0, 0}, 0, {0, 0, -1}, {0, 1, 0}},  // looking down
        {{1, 0, 0}, kPi / 2, {0, 1, 0}, {0, 0, 1}},
        {{0, 0, 1}, kPi / 2, {0, 0, -1}, {-1, 0, 0}},
        {{1, 1, 0}, 1.0f, {}, {}},
    };
    for (Case& c : cases) {
        const Quaternion b = AxisAngle(c.axis.x, c.axis.y, c.axis.z, c.angle);
        const Matrix blender = MatrixRotationQuaternion(b);
        if (Vec3Length(c.front) == 0) {
            c.front = Vec3TransformNormal({0, 0, -1}, blender);
            c.up = Vec3TransformNormal({0, 1, 0}, blender);
        }
        const Quaternion ours =
            udfconvert::CameraRotation(udfconvert::MirrorRotation(b.x, b.y, b.z, b.w));
        const Matrix turned = MatrixRotationQuaternion(ours);
        ExpectNear(Vec3TransformNormal({0, 0, 1}, turned), {c.front.x, -c.front.y, c.front.z},
                   1e-5f, "front mirrored");
        ExpectNear(Vec3TransformNormal({0, 1, 0}, turned), {c.up.x, -c.up.y, c.up.z}, 1e-5f,
                   "up mirrored");
    }
}

TEST(UdfconvertUri, DecodesPercentEscapesOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"wood%20grain.jpg", "wood grain.jpg"},
        {"%41%62c", "Abc"},
        {"100%", "100%"},
        {"a%2", "a%2"},
        {"%zz.jpg", "%zz.jpg"},
        {"", ""},
    };
    for (const auto& [uri, name] : cases) {
        EXPECT_EQ(udfconvert::GltfDocument::DecodeUri(uri), name) << uri;
    }
}

// Input that must fail: exit status 1 and nothing in the output folder.
TEST(UdfconvertFailure, BadInputFailsWithoutOutput) {
    struct Case {
        const char* name;
        std::function<std::filesystem::path(const std::filesystem::path&)> make;
    };
    const auto edit = [](auto change) {
        return [change](const std::filesystem::path& folder) {
            const auto path = WriteRoom(folder);
            Json json = Json::parse(std::ifstream(path));
            change(json, folder);
            WriteText(path, json.dump());
            return path;
        };
    };
    const Case cases[] = {
        {"missing file", [](const auto& folder) { return folder / "absent.gltf"; }},
        {"not JSON",
         [](const auto& folder) {
             WriteText(folder / "a.gltf", "{\"asset\": [1, 2");
             return folder / "a.gltf";
         }},
        {"nested too deeply",
         [](const auto& folder) {
             WriteText(folder / "a.gltf", std::string(100000, '[') + std::string(100000, ']'));
             return folder / "a.gltf";
         }},
        {"empty object",
         [](const auto& folder) {
             WriteText(folder / "a.gltf", "{}");
             return folder / "a.gltf";
         }},
        {"missing image", edit([](Json&, const auto& folder) {
             std::filesystem::remove(folder / "wood grain.tga");
         })},
        {"missing light map",
         edit([](Json&, const auto& folder) { std::filesystem::remove(folder / "lm_b.tga"); })},
        {"light map outside the folder", edit([](Json& json, const auto&) {
             json["nodes"][2]["extras"]["lightmap"] = "../lm_b.tga";
         })},
        {"missing buffer",
         edit([](Json&, const auto& folder) { std::filesystem::remove(folder / "scene.bin"); })},
        {"embedded image", edit([](Json& json, const auto&) {
             json["images"][0]["uri"] = "data:image/png;base64,AAAA";
         })},
        {"accessor past its buffer",
         edit([](Json& json, const auto&) { json["accessors"][0]["count"] = 100000000; })},
        {"mesh that does not exist",
         edit([](Json& json, const auto&) { json["nodes"][1]["mesh"] = 99; })},
        {"names equal ignoring case",
         edit([](Json& json, const auto&) { json["nodes"][2]["name"] = "FACE"; })},
        {"light map without a second UV set", edit([](Json& json, const auto&) {
             json["materials"][1]["extras"]["lightmap"] = "lm_b.tga";
         })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto folder = Scratch("failure");
        const auto out = folder / "out";
        const auto input = c.make(folder);
        EXPECT_EQ(RunTool(input.string() + " " + out.string()), 1);
        EXPECT_TRUE(!std::filesystem::exists(out) || std::filesystem::is_empty(out));
    }
}

TEST(UdfconvertCommandLine, HelpAndUsage) {
    EXPECT_EQ(RunTool("--help"), 0);
    EXPECT_EQ(RunTool(""), 1);
    EXPECT_EQ(RunTool("one two three"), 1);
}

}  // namespace
