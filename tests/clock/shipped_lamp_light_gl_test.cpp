// The shipped room as zorvane-shot draws it. At the start of every camera path, wherever the
// side table's top and the ceiling are both in view, the lamp's pool on the table is brighter
// than the ceiling: the room is lit by its lamp, not from above. The lamp's shade glows without
// clipping and dims with the room when its light winks.
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "../render/golden_pictures.h"
#include "render/math/camera.h"
#include "render/scene/animation/camera_path.h"
#include "vfs/file_source.h"

namespace {

namespace fs = std::filesystem;
using render::Vector3;

constexpr int kWidth = 320;
constexpr int kHeight = 180;
// Places in the scene's centimetres: the side table's top (centre and the ring on it between
// the lamp's foot and its edge) and the ceiling's height.
constexpr Vector3 kTableCentre{5.0f, -95.0f, -74.0f};
constexpr float kTableRing = 17.0f;
constexpr float kCeiling = 139.0f;
// The lamp's shade: a cone round the table's centre, its height and radius halfway up.
constexpr float kShadeMiddle = -31.0f;
constexpr float kShadeHalfHeight = 12.0f;
constexpr float kShadeRadius = 13.0f;

const fs::path kMedia = fs::path(ZORVANE_SOURCE_DIR) / "media" / "Media";

// The vertical field of view the scene parameters give, in radians.
float SceneFov() {
    std::ifstream in(kMedia / "Scene.props");
    std::stringstream text;
    text << in.rdbuf();
    const std::string props = text.str();
    std::smatch match;
    if (!std::regex_search(props, match, std::regex(R"(\bFov\s*=\s*([0-9.]+))"))) {
        return 0.0f;
    }
    return std::stof(match[1].str()) / 180.0f * 3.1415927f;
}

float Luminance(std::uint32_t pixel) {
    return 0.299f * float((pixel >> 16) & 0xFF) + 0.587f * float((pixel >> 8) & 0xFF) +
           0.114f * float(pixel & 0xFF);
}

float BrightestChannel(std::uint32_t pixel) {
    return float(std::max({(pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF}));
}

// For each point that lands inside the picture in front of the camera, the mean of `measure`
// over the 3 x 3 pixels round it.
std::vector<float> Samples(const render::Image& image, const render::Camera& camera,
                           const std::vector<Vector3>& points,
                           float (*measure)(std::uint32_t) = Luminance) {
    std::vector<float> samples;
    for (const Vector3& point : points) {
        const Vector3 ahead = point - camera.GetEye();
        if (render::Vec3Dot(ahead, camera.GetDirection()) <= 1.0f) {
            continue;
        }
        const Vector3 ndc = render::Vec3TransformCoord(point, camera.GetViewProjection());
        const int x = int(std::lround((ndc.x + 1.0f) * 0.5f * kWidth));
        const int y = int(std::lround((1.0f - ndc.y) * 0.5f * kHeight));
        if (x < 4 || y < 4 || x >= kWidth - 4 || y >= kHeight - 4) {
            continue;
        }
        float sum = 0.0f;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                sum += measure(image.pixels[std::size_t(y + dy) * kWidth + std::size_t(x + dx)]);
            }
        }
        samples.push_back(sum / 9.0f);
    }
    return samples;
}

float Median(std::vector<float> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A folder of the test's own for its pictures, removed with them.
class ShotFolder {
public:
    explicit ShotFolder(const std::string& name)
        : path_(fs::path(::testing::TempDir()) /
                ("zorvane_" + name + "_" + std::to_string(::getpid()))) {
        fs::create_directories(path_);
    }
    ~ShotFolder() { fs::remove_all(path_); }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

TEST(ShippedLampLight, AtEveryPathsStartThePoolOnTheTableOutshinesTheCeiling) {
    const float fov = SceneFov();
    ASSERT_GT(fov, 0.1f) << "no Fov in Scene.props";
    const ShotFolder shots("lamp_light");
    const fs::path& folder = shots.Path();

    std::vector<Vector3> ring;
    for (int i = 0; i < 16; ++i) {
        const float a = float(i) / 16.0f * 2.0f * 3.1415927f;
        ring.push_back(kTableCentre + Vector3{std::cos(a), std::sin(a), 0.0f} * kTableRing);
    }
    std::vector<Vector3> ceiling;
    for (float x = -230.0f; x <= 230.0f; x += 20.0f) {
        for (float y = -180.0f; y <= 180.0f; y += 20.0f) {
            ceiling.push_back({x, y, kCeiling});
        }
    }

    int compared = 0;
    for (int n = 1; n <= 10; ++n) {
        const std::string name = "c" + std::to_string(n);
        render::CameraPath path;
        ASSERT_TRUE(path.LoadFile(
            vfs::FileSource(core::EngineString((kMedia / (name + ".cam")).string()))));
        path.Sample(0.0f);
        render::Camera camera;
        camera.SetPerspective(0.1f, 1000.0f, fov, float(kWidth) / float(kHeight));
        camera.SetView(path.GetPosition(), path.GetFront(), path.GetUp());
        // From below the table's top its pool can't be seen.
        if (camera.GetEye().z < kTableCentre.z + 5.0f) {
            continue;
        }

        render::Image image;
        std::ostringstream arguments;
        arguments << "--size " << kWidth << "x" << kHeight << " --fov " << fov
                  << " --near 0.1 --far 1000 --ambient FFFFFF --background 000000 --path '"
                  << (kMedia / (name + ".cam")).string() << "' --path-time 0";
        const int code = render::test::ShootPicture(kMedia / "clock.UDF", folder / (name + ".png"),
                                                    arguments.str(), image);
        if (code == 1 && !std::getenv("DISPLAY")) {
            GTEST_SKIP() << "no display";
        }
        ASSERT_EQ(code, 0) << arguments.str();
        ASSERT_EQ(image.width, std::uint32_t(kWidth));

        const std::vector<float> pool = Samples(image, camera, ring);
        const std::vector<float> above = Samples(image, camera, ceiling);
        if (pool.size() < 4 || above.size() < 4) {
            continue;
        }
        ++compared;
        const float poolLevel = Median(pool);
        const float ceilingLevel = Median(above);
        std::printf("  %-3s table %5.1f (%zu points), ceiling %5.1f (%zu points)\n", name.c_str(),
                    poolLevel, pool.size(), ceilingLevel, above.size());
        EXPECT_GT(poolLevel, 1.5f * ceilingLevel) << name;
    }
    EXPECT_GE(compared, 3) << "too few starts show both the table and the ceiling";
}

// The room's light winks by taking a constant off every light map: a shade whose light map times
// its fabric ran past white would lose nothing of what shows and stay lit in a dark room.
TEST(ShippedLampLight, TheShadeGlowsWithoutClippingAndDimsWhenTheLightWinks) {
    const ShotFolder shots("lamp_wink");
    render::Camera camera;
    const float fov = 0.9f;
    camera.SetPerspective(0.1f, 1000.0f, fov, float(kWidth) / float(kHeight));
    const Vector3 eye{5.0f, 20.0f, -20.0f};
    const Vector3 direction{0.0f, -1.0f, -0.1f};
    camera.SetView(eye, direction, Vector3{0.0f, 0.0f, 1.0f});
    // The side of the shade that faces the camera, at five heights and five angles.
    std::vector<Vector3> shade;
    for (int h = -2; h <= 2; ++h) {
        const float z = kShadeMiddle + float(h) * kShadeHalfHeight * 0.3f;
        for (int a = -2; a <= 2; ++a) {
            const float angle = float(a) * 0.25f;
            shade.push_back(Vector3{kTableCentre.x, kTableCentre.y, z} +
                            Vector3{std::sin(angle), std::cos(angle), 0.0f} * kShadeRadius);
        }
    }

    float luminance[2] = {};
    const char* phases[2] = {"0", "0.5"};
    for (int i = 0; i < 2; ++i) {
        std::ostringstream arguments;
        arguments << "--size " << kWidth << "x" << kHeight << " --fov " << fov
                  << " --near 0.1 --far 1000 --ambient FFFFFF --background 000000 --eye "
                  << eye.x << "," << eye.y << "," << eye.z << " --dir " << direction.x << ","
                  << direction.y << "," << direction.z
                  << " --up 0,0,1 --clock-time 10:10:00 --wink " << phases[i];
        render::Image image;
        const int code = render::test::ShootPicture(
            kMedia / "clock.UDF", shots.Path() / ("wink" + std::to_string(i) + ".png"),
            arguments.str(), image);
        if (code == 1 && !std::getenv("DISPLAY")) {
            GTEST_SKIP() << "no display";
        }
        ASSERT_EQ(code, 0) << arguments.str();
        const std::vector<float> levels = Samples(image, camera, shade);
        ASSERT_EQ(levels.size(), shade.size()) << "the shade is out of the picture";
        luminance[i] = Median(levels);
        if (i == 0) {
            const float brightest = Median(Samples(image, camera, shade, BrightestChannel));
            std::printf("  shade lit: luminance %5.1f, brightest channel %5.1f\n", luminance[0],
                        brightest);
            EXPECT_LT(brightest, 245.0f) << "the shade's glow clips";
            EXPECT_GT(luminance[0], 100.0f) << "the shade doesn't glow";
        }
    }
    std::printf("  shade in a half wink: luminance %5.1f (%.2f of lit)\n", luminance[1],
                luminance[1] / luminance[0]);
    EXPECT_LT(luminance[1], 0.75f * luminance[0]) << "the shade stays lit in a wink";
}

}  // namespace
