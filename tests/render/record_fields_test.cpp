// Fields of scene records: texts stored as strings or integers, and matrices that are there, are
// missing, or can't be used, and what a scene node and a light make of a missing one.
#include "render/scene/record_fields.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "render/scene/light.h"
#include "render/scene/scene_records.h"

namespace render {
namespace {

TEST(RecordFields, TextsFromStringsAndIntegers) {
    udf::UdfNode record("Mesh", "Mesh");
    const char terminated[] = "blued_steel\0\0";
    record.addLeaf("MaterialName", "string", terminated, sizeof terminated, true);
    record.addInt("VertexAlign32", 1);
    EXPECT_EQ(ChildText(record, "MaterialName"), "blued_steel");
    EXPECT_EQ(ChildText(record, "VertexAlign32"), "1");
    EXPECT_EQ(ChildText(record, "Lit"), "");
}

TEST(RecordFields, MatricesReadMissingOrUnusable) {
    udf::UdfNode record("Node", "Node");
    AddMatrix(record, "NodeTM", MatrixTranslation(1, 2, 3));
    const float shortBytes[4] = {1, 2, 3, 4};
    record.addLeaf("Short", "matrix", shortBytes, sizeof shortBytes, true);
    Matrix broken = MatrixIdentity();
    broken.m[2][1] = std::numeric_limits<float>::quiet_NaN();
    AddMatrix(record, "Broken", broken);

    Matrix m = MatrixScaling(2, 2, 2);
    EXPECT_EQ(ReadMatrix(record, "ObjectTM", m), FieldRead::Absent);
    EXPECT_EQ(ReadMatrix(record, "Short", m), FieldRead::Unusable);
    EXPECT_EQ(ReadMatrix(record, "Broken", m), FieldRead::Unusable);
    EXPECT_EQ(m.m[0][0], 2.0f) << "left as it was";
    ASSERT_EQ(ReadMatrix(record, "NodeTM", m), FieldRead::Read);
    EXPECT_EQ(m.m[3][0], 1.0f);
    EXPECT_EQ(m.m[3][2], 3.0f);
    EXPECT_EQ(m.m[0][0], 1.0f);
}

TEST(RecordFields, ALightWithoutTransformsStandsAtTheOriginAndShinesDown) {
    udf::UdfNode bare("Lamp", "PointLight");
    std::unique_ptr<Light> light;
    ASSERT_EQ(Light::FromRecord(bare, light), Light::RecordResult::Made);
    EXPECT_EQ(light->light.Position.x, 0.0f);
    EXPECT_EQ(light->light.Position.z, 0.0f);

    udf::UdfNode moved("Lamp", "SpotLight");
    AddMatrix(moved, "NodeTM", MatrixTranslation(5, 6, 7));
    ASSERT_EQ(Light::FromRecord(moved, light), Light::RecordResult::Made);
    EXPECT_EQ(light->light.Position.x, 5.0f);
    EXPECT_NEAR(light->light.Direction.y, -1.0f, 1e-6f);

    udf::UdfNode broken("Lamp", "PointLight");
    const float shortBytes[4] = {1, 2, 3, 4};
    broken.addLeaf("ObjectTM", "matrix", shortBytes, sizeof shortBytes, true);
    EXPECT_EQ(Light::FromRecord(broken, light), Light::RecordResult::Unusable);
}

}  // namespace
}  // namespace render
