// The clock in media/Media/clock.UDF as a buyer looks at it close up: no two faces of the case
// fight for the same pixels, the pendulum is big enough to read across the room, the trunk's
// door is glazed without hazing it, and the hands are pierced and clearly told apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "render/math/matrix.h"
#include "render/scene/record_fields.h"
#include "render/scene/vertex_data.h"
#include "shipped_clock.h"
#include "udf/udf_node.h"

namespace {

using namespace render;

struct Triangle {
    Vector3 p[3];
    Vector3 normal;  // of the triangle's plane, from its winding
    float area;
};

class ShippedClockDetails : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        clock_ = new rendertest::ShippedClock();
        clock_->Load();
    }

    static void TearDownTestSuite() {
        delete clock_;
        clock_ = nullptr;
    }

    static const udf::UdfNode* Mesh(const std::string& name) { return clock_->Mesh(name); }

    // The mesh's triangles in its own coordinates (scene centimetres, Z up).
    static std::vector<Triangle> Triangles(const std::string& name) {
        std::vector<Triangle> out;
        const udf::UdfNode* mesh = Mesh(name);
        EXPECT_NE(mesh, nullptr) << name;
        if (!mesh) {
            return out;
        }
        const auto data = VertexData::Load(name, *mesh);
        EXPECT_TRUE(data) << name;
        if (!data) {
            return out;
        }
        for (std::uint32_t t = 0; t + 2 < data->indexCount; t += 3) {
            Triangle tri;
            for (int k = 0; k < 3; ++k) {
                tri.p[k] = data->Position(rendertest::TriangleIndex(*data, t + k));
            }
            const Vector3 cross = Vec3Cross(tri.p[1] - tri.p[0], tri.p[2] - tri.p[0]);
            tri.area = std::sqrt(Vec3Dot(cross, cross)) / 2;
            if (tri.area < 1e-6f) {
                continue;
            }
            tri.normal = Vec3Normalize(cross);
            out.push_back(tri);
        }
        return out;
    }

    static inline rendertest::ShippedClock* clock_ = nullptr;
};

// --- Plane geometry -----------------------------------------------------------------------

struct Point2 {
    double x, y;
};

double Cross(Point2 o, Point2 a, Point2 b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

double Area(const std::vector<Point2>& poly) {
    double sum = 0;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const Point2 a = poly[i], b = poly[(i + 1) % poly.size()];
        sum += a.x * b.y - b.x * a.y;
    }
    return std::abs(sum) / 2;
}

// The part of `subject` inside the convex, counter-clockwise `clip` (Sutherland-Hodgman).
std::vector<Point2> Clip(std::vector<Point2> subject, const std::vector<Point2>& clip) {
    for (std::size_t i = 0; i < clip.size() && !subject.empty(); ++i) {
        const Point2 a = clip[i], b = clip[(i + 1) % clip.size()];
        std::vector<Point2> kept;
        for (std::size_t j = 0; j < subject.size(); ++j) {
            const Point2 p = subject[j], q = subject[(j + 1) % subject.size()];
            const double dp = Cross(a, b, p), dq = Cross(a, b, q);
            if (dp >= 0) {
                kept.push_back(p);
            }
            if ((dp >= 0) != (dq >= 0)) {
                const double t = dp / (dp - dq);
                kept.push_back({p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t});
            }
        }
        subject = kept;
    }
    return subject;
}

// The triangle flattened onto the plane across the normal's largest axis, counter-clockwise.
std::vector<Point2> Flatten(const Triangle& t, int drop) {
    std::vector<Point2> out;
    for (const Vector3& p : t.p) {
        const float c[3] = {p.x, p.y, p.z};
        out.push_back({c[(drop + 1) % 3], c[(drop + 2) % 3]});
    }
    if (Cross(out[0], out[1], out[2]) < 0) {
        std::swap(out[1], out[2]);
    }
    return out;
}

int LargestAxis(const Vector3& n) {
    const float a[3] = {std::abs(n.x), std::abs(n.y), std::abs(n.z)};
    return int(std::max_element(a, a + 3) - a);
}

// Where two triangles facing the same way lie in one plane, the area (cm²) they share.
double SharedArea(const Triangle& a, const Triangle& b) {
    if (Vec3Dot(a.normal, b.normal) < 0.9995f) {
        return 0;
    }
    if (std::abs(Vec3Dot(a.normal, b.p[0] - a.p[0])) > 0.02f) {
        return 0;
    }
    const int drop = LargestAxis(a.normal);
    const std::vector<Point2> overlap = Clip(Flatten(b, drop), Flatten(a, drop));
    return overlap.size() < 3 ? 0 : Area(overlap);
}

bool Inside(const Triangle& t, double x, double z) {
    const Point2 p{x, z};
    const Point2 a{t.p[0].x, t.p[0].z}, b{t.p[1].x, t.p[1].z}, c{t.p[2].x, t.p[2].z};
    const double d1 = Cross(a, b, p), d2 = Cross(b, c, p), d3 = Cross(c, a, p);
    return (d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0);
}

// --- The case -----------------------------------------------------------------------------

TEST_F(ShippedClockDetails, NoTwoFacesOfTheCaseFightForTheSamePixels) {
    // Two faces in one plane, facing the same way, draw in a dashed line of whichever wins the
    // depth test pixel by pixel, and their light maps bake each other black.
    std::vector<std::pair<std::string, Triangle>> all;
    for (const char* name : {"clock main", "clock fittings", "clock dial"}) {
        for (const Triangle& t : Triangles(name)) {
            all.push_back({name, t});
        }
    }
    ASSERT_GT(all.size(), 100u);
    int fights = 0;
    std::string first;
    for (std::size_t i = 0; i < all.size(); ++i) {
        for (std::size_t j = i + 1; j < all.size(); ++j) {
            const double shared = SharedArea(all[i].second, all[j].second);
            if (shared > 0.01) {
                if (fights++ == 0) {
                    const Vector3 at = all[i].second.p[0];
                    first = all[i].first + " / " + all[j].first + " near " +
                            std::to_string(at.x) + "," + std::to_string(at.y) + "," +
                            std::to_string(at.z) + ", " + std::to_string(shared) + " cm²";
                }
            }
        }
    }
    EXPECT_EQ(fights, 0) << "pairs of coplanar faces overlapping, first: " << first;
}

TEST_F(ShippedClockDetails, TheOverlapCheckSeesCoplanarFacesAndOnlyThem) {
    // The check above against hand-made cases: one square drawn twice, the same square moved
    // 1 mm off its plane, turned round, and two squares meeting at an edge.
    auto tri = [](Vector3 a, Vector3 b, Vector3 c) {
        Triangle t{{a, b, c}, Vec3Normalize(Vec3Cross(b - a, c - a)), 0};
        return t;
    };
    const Triangle base = tri({0, 0, 0}, {10, 0, 0}, {0, 0, 10});
    EXPECT_NEAR(SharedArea(base, base), 50.0, 1e-3);
    EXPECT_NEAR(SharedArea(base, tri({2, 0, 2}, {12, 0, 2}, {2, 0, 12})), 18.0, 1e-3);
    EXPECT_EQ(SharedArea(base, tri({0, 0.1f, 0}, {10, 0.1f, 0}, {0, 0.1f, 10})), 0.0);
    EXPECT_EQ(SharedArea(base, tri({0, 0, 0}, {0, 0, 10}, {10, 0, 0})), 0.0);
    EXPECT_LT(SharedArea(base, tri({10, 0, 0}, {10, 0, 10}, {0, 0, 10})), 1e-6);
}

// --- The pendulum and the trunk's door ------------------------------------------------------

TEST_F(ShippedClockDetails, ThePendulumReadsFromAcrossTheRoom) {
    const udf::UdfNode* mesh = Mesh("pendulum");
    ASSERT_NE(mesh, nullptr);
    const auto data = VertexData::Load("pendulum", *mesh);
    ASSERT_TRUE(data);
    const BoundingBox all = data->Bounds();
    const float bottom = all.Min().z, height = all.size.z;
    ASSERT_GT(height, 60.0f);
    // The bob: everything in the lowest fifth but the nut under it.
    float bobLow[3] = {1e9f, 1e9f, 1e9f}, bobHigh[3] = {-1e9f, -1e9f, -1e9f};
    float rodLow[2] = {1e9f, 1e9f}, rodHigh[2] = {-1e9f, -1e9f};
    for (std::uint32_t v = 0; v < data->vertexCount; ++v) {
        const Vector3 p = data->Position(v);
        const float c[3] = {p.x, p.y, p.z};
        if (p.z < bottom + 0.2f * height) {
            for (int k = 0; k < 3; ++k) {
                bobLow[k] = std::min(bobLow[k], c[k]);
                bobHigh[k] = std::max(bobHigh[k], c[k]);
            }
        } else if (p.z > bottom + 0.4f * height) {
            for (int k = 0; k < 2; ++k) {
                rodLow[k] = std::min(rodLow[k], c[k]);
                rodHigh[k] = std::max(rodHigh[k], c[k]);
            }
        }
    }
    const float bobWidth = bobHigh[0] - bobLow[0], bobDepth = bobHigh[1] - bobLow[1];
    EXPECT_GE(bobWidth, 15.0f) << "a large bob";
    EXPECT_LE(bobDepth, 0.4f * bobWidth) << "a lens, not a ball";
    EXPECT_GE(bobDepth, 0.15f * bobWidth) << "a lens, not a flat disc";
    // A rod at least 12 mm across, some 4 pixels at 1280 x 720 from 2.5 m.
    EXPECT_GE(rodHigh[0] - rodLow[0], 1.2f) << "the rod's width";
    EXPECT_GE(rodHigh[1] - rodLow[1], 1.0f) << "the rod's depth";
}

TEST_F(ShippedClockDetails, TheTrunkDoorIsGlazedWithoutHazingThePendulum) {
    const udf::UdfNode* pane = Mesh("door glass");
    ASSERT_NE(pane, nullptr) << "no pane in the trunk's door";
    const udf::UdfNode* use = pane->findChild("AlphaUse");
    const udf::UdfNode* alpha = pane->findChild("Alpha");
    ASSERT_TRUE(use && alpha);
    EXPECT_EQ(FieldText(*use), "factor");
    // Blended at a small factor over a dark picture: the pendulum loses a little, gains a sheen.
    const float opacity = alpha->typeName().view() == "string"
                              ? std::strtof(FieldText(*alpha).c_str(), nullptr)
                              : alpha->typeName().view() == "int" ? float(alpha->asInt())
                                                                  : alpha->asReal();
    EXPECT_GT(opacity, 0.05f);
    EXPECT_LE(opacity, 0.2f);
    const auto glass = Triangles("door glass");
    ASSERT_FALSE(glass.empty());
    const auto data = VertexData::Load("door glass", *pane);
    ASSERT_TRUE(data);
    const BoundingBox box = data->Bounds();
    EXPECT_GE(box.size.x, 20.0f);
    EXPECT_GE(box.size.z, 50.0f);
    EXPECT_LT(box.size.y, 0.1f) << "one flat pane";
    for (const Triangle& t : glass) {
        EXPECT_GT(t.normal.y, 0.99f) << "the pane faces the room";
    }
}

// --- The hands ------------------------------------------------------------------------------

struct HandShape {
    float length = 0;  // from the arbor to the tip, cm
    float width = 0;   // widest across the outer half
    bool pierced = false;
};

// The hand as its front faces cover the dial, measured along `axis` (0: +x, 2: +z).
HandShape Measure(const std::vector<Triangle>& triangles, int axis) {
    std::vector<Triangle> front;
    std::copy_if(triangles.begin(), triangles.end(), std::back_inserter(front),
                 [](const Triangle& t) { return t.normal.y > 0.9f; });
    HandShape shape;
    for (const Triangle& t : front) {
        for (const Vector3& p : t.p) {
            shape.length = std::max(shape.length, axis == 0 ? p.x : p.z);
        }
    }
    for (const Triangle& t : front) {
        for (const Vector3& p : t.p) {
            const float along = axis == 0 ? p.x : p.z, across = axis == 0 ? p.z : p.x;
            if (along > 0.5f * shape.length) {
                shape.width = std::max(shape.width, 2 * std::abs(across));
            }
        }
    }
    auto covered = [&](float along) {
        const double x = axis == 0 ? along : 0.0, z = axis == 0 ? 0.0 : along;
        return std::any_of(front.begin(), front.end(),
                           [&](const Triangle& t) { return Inside(t, x, z); });
    };
    // Pierced: along the centre line, bare dial between covered metal on both sides.
    bool metal = false, hole = false;
    for (float a = 0.3f * shape.length; a < 0.95f * shape.length; a += 0.02f) {
        const bool c = covered(a);
        if (c && hole) {
            shape.pierced = true;
        }
        if (c) {
            metal = true;
        } else if (metal) {
            hole = true;
        }
    }
    return shape;
}

TEST_F(ShippedClockDetails, TheHandsArePiercedAndToldApart) {
    const HandShape hour = Measure(Triangles("strelka_1big"), 2);
    const HandShape minute = Measure(Triangles("strelka_1min"), 0);
    ASSERT_GT(hour.length, 5.0f);
    ASSERT_GT(minute.length, 5.0f);
    EXPECT_GT(minute.length, 1.3f * hour.length) << "the minute hand reaches further";
    EXPECT_GT(hour.width, 1.3f * minute.width) << "the hour hand is broader";
    EXPECT_TRUE(hour.pierced) << "the hour hand's ring";
    EXPECT_TRUE(minute.pierced) << "the minute hand's ring";
}

TEST_F(ShippedClockDetails, TheHandMeasureFindsAHoleOnlyWhereThereIsOne) {
    // A bar 10 cm along +z, facing the room, then the same bar with a gap from 5 to 6 cm.
    auto quad = [](float z0, float z1) {
        const Vector3 a{-0.3f, 0, z0}, b{0.3f, 0, z0}, c{0.3f, 0, z1}, d{-0.3f, 0, z1};
        std::vector<Triangle> out;
        for (const auto& [p, q, r] : {std::tuple{a, c, b}, std::tuple{a, d, c}}) {
            out.push_back({{p, q, r}, Vec3Normalize(Vec3Cross(q - p, r - p)), 1});
        }
        return out;
    };
    std::vector<Triangle> solid = quad(0, 10);
    ASSERT_GT(solid[0].normal.y, 0.9f);
    const HandShape bar = Measure(solid, 2);
    EXPECT_FLOAT_EQ(bar.length, 10.0f);
    EXPECT_NEAR(bar.width, 0.6f, 1e-4);
    EXPECT_FALSE(bar.pierced);
    std::vector<Triangle> split = quad(0, 5);
    for (const Triangle& t : quad(6, 10)) {
        split.push_back(t);
    }
    EXPECT_TRUE(Measure(split, 2).pierced);
    // A gap at the very tip is a shorter hand, not a hole.
    EXPECT_FALSE(Measure(quad(0, 5), 2).pierced);
}

}  // namespace
