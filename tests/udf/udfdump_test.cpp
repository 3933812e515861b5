// Runs the udfdump tool over files written here and checks what it prints.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "udf/udf_binary_writer.h"
#include "udf/udf_node.h"

namespace udf {
namespace {

struct ToolRun {
    std::string output;
    int status;
};

ToolRun udfdump(const std::string& arguments) {
    const std::string command =
        std::string(ZORVANE_BINARY_DIR) + "/tools/udfdump/udfdump " + arguments + " 2>/dev/null";
    ToolRun run{{}, -1};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return run;
    }
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.output.append(buffer, n);
    }
    run.status = pclose(pipe);
    return run;
}

std::filesystem::path scratch(const std::string& name) {
    const auto dir = std::filesystem::path(ZORVANE_BINARY_DIR) / "udfdump_test";
    std::filesystem::create_directories(dir);
    return dir / name;
}

TEST(Udfdump, PrintsTheBinaryTreeWithValues) {
    UdfNode root("_root");
    UdfNode* node = root.addChild(std::make_unique<UdfNode>("Node", "Mesh"));
    node->addInt("FVF", 786);
    node->addReal("Scale", 0.5f);
    node->addString("MaterialName", "clock \"main\"");
    std::vector<std::uint8_t> matrix(68, 0);
    matrix[2] = 0x80;
    matrix[3] = 0x3F;
    matrix[64] = 7;
    node->addLeaf("NodeTM", "matrix", matrix.data(), 68, true);
    const std::uint8_t keys[8] = {};
    root.addArray("Keys", "AniKey", 2)->setData(keys, 8, true);
    const auto file = scratch("tree.udf");
    UdfBinaryWriter writer;
    ASSERT_TRUE(writer.save(file.string(), {root.findChild("Node"), root.findChild("Keys")}));

    const ToolRun run = udfdump(file.string());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(
        run.output,
        "\"_root\" type=\"_roottype\" flags=0x04 offset=30 size=285\n"
        "  \"Node\" type=\"Mesh\" flags=0x04 offset=94 size=209\n"
        "    \"FVF\" type=\"int\" flags=0x00 offset=215 size=4 = 786\n"
        "    \"Scale\" type=\"real\" flags=0x00 offset=219 size=4 = 0.5\n"
        "    \"MaterialName\" type=\"string\" flags=0x00 offset=223 size=12 = "
        "\"clock \\\"main\\\"\"\n"
        "    \"NodeTM\" type=\"matrix\" flags=0x00 offset=235 size=68 = 1 0 0 0 0 0 0 0 0 0 0 "
        "0 0 0 0 0 7\n"
        "  \"Keys\" type=\"AniKey\" flags=0x01 count=2 offset=303 size=8\n");
}

TEST(Udfdump, PrintsKeyAndColourValues) {
    UdfNode root("_root");
    const float key[8] = {2.5f, 100.0f, -50.0f, 0.25f, 1.0f, 0, 0, 0};
    root.addLeaf("pos0", "pos", key, sizeof key, true);
    root.addLeaf("rot0", "rot", key, sizeof key, true);
    root.addLeaf("k", "AniKey", key, sizeof key, true);
    root.addLeaf("short", "pos", key, 16, true);  // not a key: no values
    const float colour[4] = {1.0f, 0.5f, 0.25f, 0.125f};
    root.addLeaf("Diffuse", "color", colour, sizeof colour, true);
    const auto file = scratch("keys.udf");
    std::vector<const UdfNode*> nodes;
    for (const auto& child : root.children()) {
        nodes.push_back(child.node);
    }
    ASSERT_TRUE(UdfBinaryWriter().save(file.string(), nodes));
    const ToolRun run = udfdump(file.string());
    EXPECT_EQ(run.status, 0);
    for (const char* line :
         {"\"pos0\" type=\"pos\"", "\"rot0\" type=\"rot\"", "\"k\" type=\"AniKey\""}) {
        const auto at = run.output.find(line);
        ASSERT_NE(at, std::string::npos) << line;
        const std::string rest = run.output.substr(at, run.output.find('\n', at) - at);
        EXPECT_NE(rest.find("= 2.5 100 -50 0.25 1 0 0 0"), std::string::npos) << rest;
    }
    const auto shortKey = run.output.find("\"short\"");
    ASSERT_NE(shortKey, std::string::npos);
    EXPECT_EQ(run.output.substr(shortKey, run.output.find('\n', shortKey) - shortKey).find(" = "),
              std::string::npos);
    EXPECT_NE(run.output.find("size=16 = 1 0.5 0.25 0.125"), std::string::npos) << run.output;
}

TEST(Udfdump, RefusesWhatIsNotUdfAndPrintsTextTrees) {
    const auto bad = scratch("bad.udf");
    std::ofstream(bad, std::ios::binary) << "not a udf file at all";
    EXPECT_NE(udfdump(bad.string()).status, 0);
    EXPECT_NE(udfdump("").status, 0);

    const auto text = scratch("scene.props");
    std::ofstream(text, std::ios::binary) << "Fov = 70; Ambient = array(1, 2); S.Name = \"x\";";
    const ToolRun run = udfdump("--text " + text.string());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output,
              "\"Fov\" = \"70\"\n"
              "\"Ambient\" [array]\n"
              "  \"0\" = \"1\"\n"
              "  \"1\" = \"2\"\n"
              "\"S\" {object}\n"
              "  \"Name\" = \"x\"\n");
}

}  // namespace
}  // namespace udf
