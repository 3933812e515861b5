// The engine's test scene, written with the engine's own UDF writer: two light-mapped boxes and
// a stone block, a transparent pane, a skinned arm of two bones, a swinging pendulum and one
// light of each kind, with its textures.
#pragma once

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "scene_builder.h"
#include "test_images.h"

namespace render::test {

inline void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::unique_ptr<udf::UdfNode> TextureMaterial(const std::string& name, std::int32_t subId,
                                                     const std::string& file) {
    auto record = std::make_unique<udf::UdfNode>(std::to_string(subId), "Material");
    record->addString("Name", name);
    record->addInt("MaterialSubId", subId);
    udf::UdfNode* textures =
        record->addChild(std::make_unique<udf::UdfNode>("Textures", "Textures"));
    textures->addChild(std::make_unique<udf::UdfNode>("Diffuse", "Diffuse"))
        ->addString("FileName", file);
    return record;
}

// A box-shaped arm along +x from 0 to 4, its vertices at x 0 and 2 moved by the upper bone
// and those at x 4 by the lower one, the middle ones by both.
inline void AddArm(udf::UdfNode& children) {
    auto record = std::make_unique<udf::UdfNode>("arm", "Mesh");
    record->addInt("FVF", kBoxFvf);
    record->addInt("IndexSize", 2);
    std::vector<float> verts;
    for (int x = 0; x < 3; ++x) {
        for (int corner = 0; corner < 4; ++corner) {
            verts.insert(verts.end(), {2.0f * float(x), (corner & 1) ? 0.5f : -0.5f,
                                       (corner & 2) ? 0.5f : -0.5f, 0, 0, -1, 0, 0, 0.5f, 0.5f});
        }
    }
    std::vector<std::uint16_t> indexes;
    for (std::uint16_t x = 0; x < 2; ++x) {
        const std::uint16_t a = std::uint16_t(x * 4), b = std::uint16_t(a + 4);
        for (auto [i, j] : {std::pair{0, 1}, {1, 3}, {3, 2}, {2, 0}}) {
            indexes.insert(indexes.end(),
                           {std::uint16_t(a + i), std::uint16_t(b + i), std::uint16_t(a + j),
                            std::uint16_t(a + j), std::uint16_t(b + i), std::uint16_t(b + j)});
        }
    }
    record->addInt("NumVerts", 12);
    record->addInt("NumIndexes", std::int32_t(indexes.size()));
    AddRaw(*record, "Verts", verts);
    AddRaw(*record, "Indexes", indexes);
    AddTransforms(*record, MatrixTranslation(0, 0, 10));
    udf::UdfNode* bones = record->addChild(std::make_unique<udf::UdfNode>("BoneNames"));
    bones->setContainer();
    bones->addString("0", "Bone_Upper");
    bones->addString("1", "bone_lower");
    std::vector<std::uint32_t> offsets, counts, weights;
    const auto weight = [](float w) { return std::bit_cast<std::uint32_t>(w); };
    for (int v = 0; v < 12; ++v) {
        offsets.push_back(std::uint32_t(weights.size() / 2));
        if (v < 4) {
            counts.push_back(1);
            weights.insert(weights.end(), {0, weight(1.0f)});
        } else if (v < 8) {
            counts.push_back(2);
            weights.insert(weights.end(), {0, weight(0.5f), 1, weight(0.5f)});
        } else {
            counts.push_back(1);
            weights.insert(weights.end(), {1, weight(1.0f)});
        }
    }
    AddRaw(*record, "VertBoneOffs", offsets);
    AddRaw(*record, "VertBoneNums", counts);
    AddRaw(*record, "BoneWeights", weights);
    children.addChild(std::move(record));
}

// The scene file "test_scene.UDF" and its textures in `folder`.
inline std::filesystem::path WriteTestScene(const std::filesystem::path& folder) {
    WriteFile(folder / "wood.tga", MakeTga(4, 4, std::vector<std::uint32_t>(16, 0xFF996633), 24));
    WriteFile(folder / "woodLightingMap.tga",
              MakeTga(4, 4, std::vector<std::uint32_t>(16, 0xFF808080), 24));
    WriteFile(folder / "stone.tga", MakeTga(4, 4, std::vector<std::uint32_t>(16, 0xFF777777), 24));
    WriteFile(folder / "stoneLightingMap.tga",
              MakeTga(4, 4, std::vector<std::uint32_t>(16, 0xFF606060), 24));

    udf::UdfNode file("_root", "_roottype");
    udf::UdfNode* materials =
        file.addChild(std::make_unique<udf::UdfNode>("Materials", "Materials"));
    for (const std::string name : {"wood", "stone"}) {
        udf::UdfNode* material =
            materials->addChild(std::make_unique<udf::UdfNode>(name + "_Material", "Material"));
        udf::UdfNode* subs = material->addArray("Materials", "Material", 2);
        subs->setContainer();
        subs->addChild(TextureMaterial(name, 0, name + ".tga"));
        subs->addChild(TextureMaterial("baked_" + name + " LightMap", 1, name + "LightingMap.tga"));
    }

    udf::UdfNode* cameras = file.addArray("Cameras", "Node", 1);
    cameras->setContainer();
    AddDummy(*cameras, "Camera01", MatrixTranslation(0, -30, 10), "Node");

    udf::UdfNode* lights = file.addArray("Lights", "Light", 3);
    lights->setContainer();
    AddLight(*lights, "Omni01", "PointLight", MatrixTranslation(-10, -10, 20), 60, 10);
    AddLight(*lights, "Sun", "DirLight",
             MatrixRotationQuaternion(QuaternionRotationAxis({1, 0, 0}, 0.6f)), 0);
    udf::UdfNode* spot =
        AddLight(*lights, "Spot01", "SpotLight",
                 MatrixMultiply(MatrixRotationQuaternion(QuaternionRotationAxis({1, 0, 0}, 0.3f)),
                                MatrixTranslation(0, 0, 40)),
                 80);
    spot->addReal("HotSpot", 0.4f);
    spot->addReal("FallOff", 0.6f);

    udf::UdfNode* top = Children(file);
    AddBox(*top, "Floor", {0, 0, -1}, {40, 40, 2}, "stone_Material");
    AddBox(*top, "Crate01", {-6, 0, 2}, {4, 4, 4}, "wood_Material");
    AddBox(*top, "Crate02", {6, 0, 2}, {4, 4, 4}, "wood_Material");
    udf::UdfNode* pane = AddBox(*top, "Window pane", {0, -10, 5}, {8, 0.2f, 6});
    pane->addString("AlphaUse", "factor diffuse");
    pane->addReal("Alpha", 0.4f);
    udf::UdfNode* pendulum = AddBox(*top, "Pendulum", {0, 0, -4}, {1, 1, 8}, "wood_Material");
    pendulum->removeChild("NodeTM");
    AddMatrix(*pendulum, "NodeTM", MatrixTranslation(0, 5, 12));
    std::vector<Key> swing;
    for (int i = 0; i <= 4; ++i) {
        const float angle = 0.4f * std::sin(float(i) * 3.14159265f / 2);
        const Quaternion q = QuaternionRotationAxis({0, 1, 0}, angle);
        swing.push_back(MakeKey(0.5f * float(i), q.x, q.y, q.z, q.w));
    }
    AddTrack(*pendulum, "Rotation", "Sample", swing);

    udf::UdfNode* upper = AddDummy(*top, "bone_upper", MatrixTranslation(0, 0, 10), "Bone");
    udf::UdfNode* lower =
        AddDummy(*Children(*upper), "Bone_Lower", MatrixTranslation(2, 0, 0), "Bone");
    const Quaternion bent = QuaternionRotationAxis({0, 1, 0}, -0.8f);
    AddTrack(*lower, "Rotation", "Linear",
             {MakeKey(0, 0, 0, 0, 1), MakeKey(2, bent.x, bent.y, bent.z, bent.w)});
    AddArm(*top);

    const std::filesystem::path path = folder / "test_scene.UDF";
    WriteFile(path, SceneBytes(file));
    return path;
}

}  // namespace render::test
