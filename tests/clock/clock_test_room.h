// A small clock room written with the engine's own UDF writer: a light-mapped case, the two hands
// (named in another letter case than the scene looks for), a swinging pendulum, the glass inside
// a group with its frame, the lamp, the curtain, the view through the window and the picture
// in its group. Seen from +Y, Z up, the dial's centre at the origin.
#pragma once

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "../render/test_scene.h"

namespace clockscene::test {

using namespace render;
using namespace render::test;

inline constexpr std::uint32_t kCaseColour = 0xFF996633;
inline constexpr std::uint32_t kHourColour = 0xFFFF0000;
inline constexpr std::uint32_t kMinuteColour = 0xFF0000FF;
inline constexpr std::uint32_t kPendulumColour = 0xFF00FF00;
inline constexpr std::uint32_t kPaintingColour = 0xFFFFFF00;

inline void WriteSolidTga(const std::filesystem::path& path, std::uint32_t colour) {
    WriteFile(path, MakeTga(4, 4, std::vector<std::uint32_t>(16, colour), 24));
}

// A material with one texture, or with a light map as its second stage.
inline void AddMaterial(udf::UdfNode& materials, const std::string& name, const std::string& file,
                        const std::string& lightMap = {}) {
    udf::UdfNode* material = materials.addChild(std::make_unique<udf::UdfNode>(name, "Material"));
    udf::UdfNode* subs = material->addArray("Materials", "Material", lightMap.empty() ? 1 : 2);
    subs->setContainer();
    subs->addChild(TextureMaterial(name, 0, file));
    if (!lightMap.empty()) {
        subs->addChild(TextureMaterial("baked_" + name + " LightMap", 1, lightMap));
    }
}

// The pendulum's swing: 0.4 * sin(pi t), keys every half second from 0 to 2 s.
inline std::vector<render::Key> SwingKeys() {
    std::vector<render::Key> keys;
    for (int i = 0; i <= 4; ++i) {
        const float angle = 0.4f * std::sin(float(i) * 3.14159265f / 2);
        const render::Quaternion q = render::QuaternionRotationAxis({0, 1, 0}, angle);
        keys.push_back(MakeKey(0.5f * float(i), q.x, q.y, q.z, q.w));
    }
    return keys;
}

// "clock_room.UDF" and its textures in `folder`.
inline std::filesystem::path WriteClockRoom(const std::filesystem::path& folder) {
    WriteSolidTga(folder / "case.tga", kCaseColour);
    WriteSolidTga(folder / "caseLightingMap.tga", 0xFF808080);
    WriteSolidTga(folder / "hour.tga", kHourColour);
    WriteSolidTga(folder / "minute.tga", kMinuteColour);
    WriteSolidTga(folder / "pendulum.tga", kPendulumColour);
    WriteSolidTga(folder / "painting.tga", kPaintingColour);
    WriteSolidTga(folder / "sky.tga", 0xFF202040);

    udf::UdfNode file("_root", "_roottype");
    udf::UdfNode* materials =
        file.addChild(std::make_unique<udf::UdfNode>("Materials", "Materials"));
    AddMaterial(*materials, "case_Material", "case.tga", "caseLightingMap.tga");
    AddMaterial(*materials, "sky_Material", "sky.tga", "caseLightingMap.tga");
    AddMaterial(*materials, "hour_Material", "hour.tga");
    AddMaterial(*materials, "minute_Material", "minute.tga");
    AddMaterial(*materials, "pendulum_Material", "pendulum.tga");
    AddMaterial(*materials, "painting_Material", "painting.tga");

    udf::UdfNode* top = Children(file);
    AddBox(*top, "clock main", {0, -6, -20}, {120, 4, 200}, "case_Material");
    // Both hands turn about the dial's centre, one unit in front of it.
    for (udf::UdfNode* hand :
         {AddBox(*top, "strelka_1Big", {0, 1, 15}, {4, 1, 30}, "hour_Material"),
          AddBox(*top, "strelka_1Min", {22.5f, 2, 0}, {45, 1, 2.5f}, "minute_Material")}) {
        hand->removeChild("NodeTM");
        AddMatrix(*hand, "NodeTM", render::MatrixTranslation(0, 1, 0));
    }

    udf::UdfNode* pendulum = AddBox(*top, "Pendulum", {0, 0, -25}, {3, 1, 50}, "pendulum_Material");
    pendulum->removeChild("NodeTM");
    AddMatrix(*pendulum, "NodeTM", render::MatrixTranslation(0, 1, -20));
    AddTrack(*pendulum, "Rotation", "Sample", SwingKeys());

    // A second animation, three seconds long: every slot loops over 0 .. 3.
    udf::UdfNode* weight = AddDummy(*top, "Weight", render::MatrixTranslation(40, 0, -90));
    AddTrack(*weight, "Position", "Linear", {MakeKey(0, 40, 0, -90), MakeKey(3, 40, 0, -60)});

    udf::UdfNode* glassGroup = AddDummy(*top, "Group02");
    udf::UdfNode* pane = AddBox(*Children(*glassGroup), "clock glass", {0, 8, -70}, {20, 0.2f, 10});
    pane->addString("AlphaUse", "factor diffuse");
    pane->addReal("Alpha", 0.3f);
    AddBox(*Children(*glassGroup), "Glass frame", {0, 7, -70}, {24, 0.5f, 14}, "case_Material");

    AddBox(*top, "LAMP LAMP", {-80, 0, 80}, {10, 10, 10}, "pendulum_Material");
    AddBox(*top, "Curtain", {90, 0, 0}, {10, 2, 150}, "minute_Material");
    AddBox(*top, "FonPlane01", {0, -200, 0}, {600, 2, 600}, "sky_Material");

    udf::UdfNode* pictureGroup = AddDummy(*top, "Group01");
    AddBox(*Children(*pictureGroup), "Picture", {-55, 0, 60}, {20, 1, 20}, "painting_Material");
    AddBox(*Children(*pictureGroup), "Picture Ramm", {-55, -1, 60}, {24, 1, 24}, "case_Material");

    const std::filesystem::path path = folder / "clock_room.UDF";
    WriteFile(path, SceneBytes(file));
    return path;
}

}  // namespace clockscene::test
