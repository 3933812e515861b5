// The light maps shipped in media/Media/ leave room for the wink and the flash (no texel near
// white) and light the study from the lamp: its pool outshines the ceiling, and the darkest
// corners keep some bounce light.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "render/math/matrix.h"
#include "render/scene/vertex_data.h"
#include "render/textures/image/image_decoder.h"
#include "shipped_clock.h"
#include "udf/udf_node.h"

namespace {

using namespace render;

using rendertest::kShippedMedia;
const char* const kAtlases[] = {"lm_room.jpg", "lm_clock.jpg", "lm_furniture.jpg"};

// Position, normal, the texture's coordinates, the light map's.
constexpr std::uint32_t kLightMappedFvf = 0x002 | 0x010 | 0x200;
constexpr std::uint32_t kLightMapUvOffset = 32;

Image LoadAtlas(const std::string& name) {
    std::ifstream in(kShippedMedia + name, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    Image image;
    ImageInfo info;
    EXPECT_TRUE(DecodeImage(bytes, image, info)) << name;
    return image;
}

int Channel(std::uint32_t argb, int shift) {
    return int((argb >> shift) & 0xFF);
}

int Grey(std::uint32_t argb) {
    return (Channel(argb, 16) + Channel(argb, 8) + Channel(argb, 0)) / 3;
}

// One point on a mesh's surface: where it is (scene centimetres, Z up), which way its
// triangle faces, the area it stands for, and its light map's grey there.
struct Sample {
    Vector3 position;
    Vector3 normal;
    float area;
    int grey;
};

Vector3 ReadVector(const std::uint8_t* at) {
    float v[3];
    std::memcpy(v, at, sizeof v);
    return {v[0], v[1], v[2]};
}

class ShippedLightMaps : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const char* name : kAtlases) {
            atlases_[name] = LoadAtlas(name);
        }
        clock_ = new rendertest::ShippedClock();
        clock_->Load();
    }

    static void TearDownTestSuite() {
        delete clock_;
        clock_ = nullptr;
    }

    // The light map's grey on a grid of points over every triangle of the mesh.
    static std::vector<Sample> SampleMesh(const std::string& mesh, const std::string& atlas) {
        std::vector<Sample> samples;
        const udf::UdfNode* record = clock_->Mesh(mesh);
        EXPECT_NE(record, nullptr) << mesh;
        if (!record) {
            return samples;
        }
        const auto data = VertexData::Load(mesh, *record);
        EXPECT_TRUE(data) << mesh;
        if (!data) {
            return samples;
        }
        EXPECT_EQ(data->fvf, kLightMappedFvf) << mesh << " carries no light map coordinates";
        EXPECT_EQ(data->stride, 40u) << mesh;
        if (data->fvf != kLightMappedFvf || data->stride != 40u) {
            return samples;
        }
        const Image& map = atlases_.at(atlas);
        auto vertex = [&](std::uint32_t v) { return data->vertices + std::size_t(v) * 40; };
        constexpr int kGrid = 12;
        for (std::uint32_t t = 0; t + 2 < data->indexCount; t += 3) {
            const std::uint8_t* c[3] = {vertex(rendertest::TriangleIndex(*data, t)), vertex(rendertest::TriangleIndex(*data, t + 1)),
                                        vertex(rendertest::TriangleIndex(*data, t + 2))};
            const Vector3 p[3] = {ReadVector(c[0]), ReadVector(c[1]), ReadVector(c[2])};
            const Vector3 cross = Vec3Cross(p[1] - p[0], p[2] - p[0]);
            const float area = std::sqrt(Vec3Dot(cross, cross)) / 2;
            if (area <= 0.0f) {
                continue;
            }
            const Vector3 normal = Vec3Normalize(ReadVector(c[0] + 12) + ReadVector(c[1] + 12) +
                                                 ReadVector(c[2] + 12));
            float uv[3][2];
            for (int k = 0; k < 3; ++k) {
                std::memcpy(uv[k], c[k] + kLightMapUvOffset, sizeof uv[k]);
            }
            const int count = kGrid * (kGrid + 1) / 2;
            for (int i = 0; i < kGrid; ++i) {
                for (int j = 0; i + j < kGrid; ++j) {
                    const float a = (i + 1.0f / 3) / kGrid;
                    const float b = (j + 1.0f / 3) / kGrid;
                    const float w[3] = {1 - a - b, a, b};
                    const float u = w[0] * uv[0][0] + w[1] * uv[1][0] + w[2] * uv[2][0];
                    const float v = w[0] * uv[0][1] + w[1] * uv[1][1] + w[2] * uv[2][1];
                    const auto x = std::uint32_t(std::clamp(u, 0.0f, 1.0f) * (map.width - 1));
                    const auto y = std::uint32_t(std::clamp(v, 0.0f, 1.0f) * (map.height - 1));
                    samples.push_back({p[0] * w[0] + p[1] * w[1] + p[2] * w[2], normal,
                                       area / count, Grey(map.at(x, y))});
                }
            }
        }
        return samples;
    }

    // The table's top under the lamp: what faces up at the table's full height (not the caps
    // hidden under it, nor the feet).
    static std::vector<Sample> TableTop(const std::vector<Sample>& table) {
        float highest = -1e9f;
        for (const Sample& s : table) {
            highest = std::max(highest, s.position.z);
        }
        std::vector<Sample> top;
        std::copy_if(table.begin(), table.end(), std::back_inserter(top), [&](const Sample& s) {
            return s.normal.z > 0.9f && s.position.z > highest - 1.0f;
        });
        return top;
    }

    static double MeanGrey(const std::vector<Sample>& samples) {
        double sum = 0, area = 0;
        for (const Sample& s : samples) {
            sum += s.grey * double(s.area);
            area += s.area;
        }
        return area > 0 ? sum / area : 0.0;
    }

    static inline std::map<std::string, Image> atlases_;
    static inline rendertest::ShippedClock* clock_ = nullptr;
};

TEST_F(ShippedLightMaps, NoTexelComesNearWhite) {
    for (const auto& [name, map] : atlases_) {
        ASSERT_GT(map.width, 0u) << name;
        int clipped = 0;
        std::string first;
        for (std::uint32_t y = 0; y < map.height; ++y) {
            for (std::uint32_t x = 0; x < map.width; ++x) {
                const std::uint32_t c = map.at(x, y);
                if (std::max({Channel(c, 16), Channel(c, 8), Channel(c, 0)}) >= 250) {
                    if (clipped++ == 0) {
                        first = std::to_string(x) + "," + std::to_string(y);
                    }
                }
            }
        }
        EXPECT_EQ(clipped, 0) << name << ": texels with a channel at 250 or more, first at "
                              << first;
    }
}

TEST_F(ShippedLightMaps, TheLampsPoolOutshinesTheCeiling) {
    const std::vector<Sample> ceiling = SampleMesh("ceiling", "lm_room.jpg");
    const std::vector<Sample> table = SampleMesh("side table", "lm_furniture.jpg");
    const std::vector<Sample> floor = SampleMesh("floor", "lm_room.jpg");
    ASSERT_FALSE(ceiling.empty() || table.empty() || floor.empty());

    const std::vector<Sample> top = TableTop(table);
    ASSERT_FALSE(top.empty());
    // The floor round the table's foot, within a metre of it but clear of the top's shadow.
    Vector3 foot{0, 0, 0};
    float area = 0;
    for (const Sample& s : top) {
        foot = foot + s.position * s.area;
        area += s.area;
    }
    foot = foot * (1 / area);
    std::vector<Sample> near;
    std::copy_if(floor.begin(), floor.end(), std::back_inserter(near), [&](const Sample& s) {
        const float d = std::hypot(s.position.x - foot.x, s.position.y - foot.y);
        return d > 40.0f && d < 100.0f;
    });
    ASSERT_FALSE(near.empty());

    const double ceilingGrey = MeanGrey(ceiling);
    EXPECT_GT(MeanGrey(top), 1.5 * ceilingGrey) << "the table top under the lamp";
    EXPECT_GT(MeanGrey(near), ceilingGrey) << "the floor round the table";
    EXPECT_GT(MeanGrey(floor), ceilingGrey) << "the floor as a whole";
}

TEST_F(ShippedLightMaps, TheDarkestCornersKeepSomeBounceLight) {
    std::vector<int> greys;
    for (const char* mesh : {"floor", "ceiling", "walls", "wainscot"}) {
        for (const Sample& s : SampleMesh(mesh, "lm_room.jpg")) {
            greys.push_back(s.grey);
        }
    }
    ASSERT_FALSE(greys.empty());
    std::sort(greys.begin(), greys.end());
    std::vector<int> pool;
    for (const Sample& s : TableTop(SampleMesh("side table", "lm_furniture.jpg"))) {
        pool.push_back(s.grey);
    }
    ASSERT_FALSE(pool.empty());
    std::sort(pool.begin(), pool.end());
    const int darkest = greys[greys.size() / 100];
    const int lit = pool[pool.size() / 2];
    // Bounce light in the corners: a few percent of the pool's level, never black.
    EXPECT_GE(darkest, lit * 4 / 100) << "darkest percent " << darkest << ", pool " << lit;
    EXPECT_LE(darkest, lit / 3) << "darkest percent " << darkest << ", pool " << lit;
}

}  // namespace
