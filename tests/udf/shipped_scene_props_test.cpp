// The scene properties shipped in the embedded media archive parse into the values the clock room
// relies on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "udf/prop_node.h"
#include "udf/udf_text_parser.h"
#include "vfs/file_source.h"
#include "vfs/rar_archive.h"
#include "vfs/stream.h"

namespace {

std::vector<std::string> Values(const udf::PropNode& array) {
    std::vector<std::string> values;
    for (const auto& child : array.children()) {
        values.push_back(child.node->asString().str());
    }
    return values;
}

TEST(ShippedSceneProps, TheArchiveInTheExecutableHoldsTheSceneParameters) {
    vfs::RarArchive archive;
    ASSERT_TRUE(archive.mount(vfs::FileSource(vfs::ResourceId{147})));
    auto stream = archive.open("Media\\Scene.props", vfs::kModeRead);
    ASSERT_TRUE(stream);

    udf::PropNode root;
    ASSERT_TRUE(udf::ParseUdfText(*stream, root));
    auto number = [&](const char* key) {
        const udf::PropNode* node = root.findChild(key);
        return node ? node->asReal() : -1.0f;
    };
    EXPECT_FLOAT_EQ(number("NearPlane"), 0.1f);
    EXPECT_FLOAT_EQ(number("FarPlane"), 1000.0f);
    EXPECT_FLOAT_EQ(number("FogStart"), 2000.0f);
    EXPECT_FLOAT_EQ(number("FogEnd"), 2000.0f);
    EXPECT_FLOAT_EQ(number("Fov"), 48.0f);
    EXPECT_FLOAT_EQ(number("CamSpeed"), 0.1f);
    ASSERT_TRUE(root.findChild("QuietTime") && root.findChild("WinkTime"));
    EXPECT_EQ(root.findChild("QuietTime")->asInt(), 3000);
    EXPECT_EQ(root.findChild("WinkTime")->asInt(), 1000);
    EXPECT_TRUE(root.contains("Debug"));

    const std::vector<std::pair<const char*, std::vector<std::string>>> colours = {
        {"Ambient", {"255", "255", "255"}},
        {"BgColor", {"0", "0", "0"}},
        {"FogColor", {"100", "100", "100"}},
    };
    for (const auto& [key, expected] : colours) {
        const udf::PropNode* node = root.findChild(key);
        ASSERT_TRUE(node) << key;
        EXPECT_EQ(Values(*node), expected) << key;
    }

    const udf::PropNode* paths = root.findChild("Animations");
    ASSERT_TRUE(paths);
    std::vector<std::string> expected;
    for (int i = 1; i <= 10; ++i) {
        expected.push_back("c" + std::to_string(i) + ".cam");
    }
    EXPECT_EQ(Values(*paths), expected);
}

}  // namespace
