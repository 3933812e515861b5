#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "udf/udf_binary_reader.h"
#include "udf/udf_binary_writer.h"
#include "udf_test_support.h"
#include "vfs/file_source.h"

namespace udf {
namespace {

using test::Bytes;

std::uint32_t le32(const std::vector<std::uint8_t>& image, std::size_t at) {
    return std::uint32_t(image[at]) | std::uint32_t(image[at + 1]) << 8 |
           std::uint32_t(image[at + 2]) << 16 | std::uint32_t(image[at + 3]) << 24;
}

// A 32-byte key: time and four further floats, three zeros.
std::vector<std::uint8_t> key(float time, float a, float b, float c, float d) {
    const float values[8] = {time, a, b, c, d, 0, 0, 0};
    std::vector<std::uint8_t> bytes(32);
    for (int i = 0; i < 8; ++i) {
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(values[i]);
        for (int j = 0; j < 4; ++j) {
            bytes[4 * i + j] = std::uint8_t(bits >> (8 * j));
        }
    }
    return bytes;
}

// The camera path c1.cam: four position and four rotation keys at 0, 294, 588 and 882,
// stored in the order the shipped file has them.
std::unique_ptr<UdfNode> cameraPath() {
    auto root = std::make_unique<UdfNode>("_root", "_roottype");
    const char* names[] = {"rot3", "pos0", "rot0", "pos1", "rot1", "pos2", "rot2", "pos3"};
    for (const char* name : names) {
        const int index = name[3] - '0';
        const bool pos = name[0] == 'p';
        auto bytes = pos ? key(294.0f * index, -200.0f + index, 100.0f, 10.0f * index, 0)
                         : key(294.0f * index, 0, 0.3826834f, 0, 0.9238795f);
        root->addLeaf(name, pos ? "pos" : "rot", bytes.data(), 32, true);
    }
    return root;
}

std::vector<const UdfNode*> childrenOf(const UdfNode& root) {
    std::vector<const UdfNode*> nodes;
    for (const UdfNode::Child& child : root.children()) {
        nodes.push_back(child.node);
    }
    return nodes;
}

// A small scene: nested typed containers, arrays, every leaf kind, and links written before
// and after the node they refer to.
std::unique_ptr<UdfNode> sceneTree() {
    auto root = std::make_unique<UdfNode>("_root", "_roottype");
    UdfNode* forward = root->addChild(std::make_unique<UdfNode>("Forward", "Node"));
    UdfNode* materials = root->addChild(std::make_unique<UdfNode>("Materials"));
    UdfNode* material = materials->addChild(std::make_unique<UdfNode>("Shell", "Material"));
    material->addString("FileName", "clock_main.jpg");
    material->addInt("MaterialSubId", 1);
    UdfNode* children = root->addArray("Children", "Node", 2);
    UdfNode* mesh = children->addChild(std::make_unique<UdfNode>("0", "Mesh"));
    std::vector<std::uint8_t> matrix(68);
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t one = std::bit_cast<std::uint32_t>(1.0f);
        std::memcpy(&matrix[20 * i], &one, 4);
    }
    mesh->addLeaf("NodeTM", "matrix", matrix.data(), 68, true);
    mesh->addInt("FVF", 786);
    mesh->addReal("Scale", 0.5f);
    mesh->addUString("Title", u"clock");
    std::vector<std::uint8_t> verts(100);
    for (std::size_t i = 0; i < verts.size(); ++i) {
        verts[i] = std::uint8_t(i * 7);
    }
    mesh->addLeaf("Verts", "", verts.data(), 100, true);
    const std::uint8_t indexes[] = {0, 0, 1, 0, 2, 0, 0, 0, 0, 0, 0, 0};
    mesh->addArray("Indexes", "int", 3)->setData(indexes, 12, true);
    mesh->addChild(std::make_unique<UdfNode>("Empty", "Dummy"))->setContainer();
    UdfNode* dummy = children->addChild(std::make_unique<UdfNode>("1", "Dummy"));
    UdfNode* keys = dummy->addArray("Rotation", "AniKey", 31);
    for (int i = 0; i < 31; ++i) {
        auto bytes = key(i / 15.0f, 0, 0, 0.1f * i, 1);
        keys->addLeaf(std::to_string(i), "AniKey", bytes.data(), 32, true);
    }
    dummy->addLink(material);
    forward->addLink(material);
    return root;
}

std::vector<std::uint8_t> image(const UdfNode& root, const std::vector<UdfType>& types = {}) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(UdfBinaryWriter::toBytes(childrenOf(root), bytes, types));
    return bytes;
}

UdfNode* loaded(UdfBinaryReader& reader, const std::vector<std::uint8_t>& bytes,
                std::uint32_t flags = 0) {
    UdfNode* root = reader.attachMemory(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    if (root) {
        root->load(flags);
    }
    return root;
}

TEST(UdfBinary, CameraPathHasTheShippedLayout) {
    auto path = cameraPath();
    const std::vector<std::uint8_t> bytes = image(*path);
    ASSERT_EQ(bytes.size(), 486u);
    EXPECT_EQ(le32(bytes, 0), 486u);
    EXPECT_EQ(le32(bytes, 4), 14u);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 22), "UDF Binary 1.0");
    EXPECT_EQ(le32(bytes, 22), 0u);
    EXPECT_EQ(le32(bytes, 26), 460u);
    EXPECT_EQ(le32(bytes, 30), 200u);
    EXPECT_EQ(le32(bytes, 34), 8u);
    std::size_t at = 38;
    std::uint32_t data = 230;
    for (const UdfNode::Child& child : path->children()) {
        EXPECT_EQ(le32(bytes, at), 4u);
        EXPECT_EQ(std::string(bytes.begin() + at + 4, bytes.begin() + at + 8), child.name);
        EXPECT_EQ(le32(bytes, at + 8), 3u);
        EXPECT_EQ(std::string(bytes.begin() + at + 12, bytes.begin() + at + 15),
                  child.node->typeName().str());
        EXPECT_EQ(bytes[at + 15], 0);
        EXPECT_EQ(le32(bytes, at + 16), data);
        EXPECT_EQ(le32(bytes, at + 20), 32u);
        EXPECT_EQ(std::memcmp(&bytes[data], child.node->data(), 32), 0);
        at += 24;
        data += 32;
    }
    EXPECT_EQ(data, 486u);

    UdfBinaryReader reader;
    UdfNode* root = loaded(reader, bytes);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->name().view(), "_root");
    EXPECT_EQ(root->typeName().view(), "_roottype");
    EXPECT_EQ(root->offset(), 30u);
    EXPECT_EQ(root->size(), 460u);
    EXPECT_EQ(test::describe(*root), test::describe(*path));
    EXPECT_EQ(root->findChild("rot3")->offset(), 230u);
    EXPECT_FLOAT_EQ(root->findChild("pos2")->asReal(), 588.0f);
}

TEST(UdfBinary, SavedFilesMatchTheImageWithAndWithoutTheMemoryOption) {
    auto scene = sceneTree();
    const std::vector<std::uint8_t> expected = image(*scene);
    const auto dir = std::filesystem::path(ZORVANE_BINARY_DIR) / "udf_binary_save";
    std::filesystem::create_directories(dir);
    for (std::uint32_t options : {0u, kSaveInMemory}) {
        const std::string file = (dir / ("scene" + std::to_string(options) + ".udf")).string();
        UdfBinaryWriter writer;
        ASSERT_TRUE(writer.save(file, childrenOf(*scene), {}, options));
        std::ifstream in(file, std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
        EXPECT_EQ(bytes, expected) << options;

        vfs::FileSource source{core::EngineString(file)};
        UdfBinaryReader reader;
        UdfNode* root = reader.attach(source.open(vfs::kModeRead));
        ASSERT_NE(root, nullptr);
        EXPECT_TRUE(root->load());
        EXPECT_EQ(test::describe(*root), test::describe(*scene));
    }
    UdfBinaryWriter writer;
    EXPECT_FALSE(writer.save((dir / "missing" / "x.udf").string(), childrenOf(*scene)));
}

// Each container's directory is followed by its owned children's bytes, in child order.
void expectChildDataFollowsDirectory(const UdfNode& node, const std::vector<std::uint8_t>& bytes) {
    std::uint32_t next = node.offset() + le32(bytes, node.offset());
    for (const UdfNode::Child& child : node.children()) {
        if (child.link) {
            continue;
        }
        EXPECT_EQ(child.node->offset(), next) << child.name;
        next = child.node->offset() + child.node->size();
        if (child.node->isContainer()) {
            expectChildDataFollowsDirectory(*child.node, bytes);
        }
    }
    EXPECT_EQ(next, node.offset() + node.size()) << node.name().str();
}

TEST(UdfBinary, SceneRoundTripKeepsNamesTypesFlagsCountsBytesAndLinks) {
    auto scene = sceneTree();
    const std::vector<std::uint8_t> bytes = image(*scene);
    UdfBinaryReader reader;
    UdfNode* root = loaded(reader, bytes);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(test::describe(*root), test::describe(*scene));
    EXPECT_EQ(le32(bytes, 0), bytes.size());

    UdfNode* keys = root->findChild("Children")->findChild("1")->findChild("Rotation");
    EXPECT_EQ(keys->flags(), kUdfArray | kUdfContainer);
    EXPECT_EQ(keys->elementCount(), 31u);
    EXPECT_EQ(keys->childCount(), 31u);
    EXPECT_NE(keys->findChild("30"), nullptr);
    EXPECT_EQ(root->findChild("Children")->findChild("0")->findChild("FVF")->asInt(), 786);

    // Links written before and after their node lead to the one shared node.
    UdfNode* material = root->findChild("Materials")->findChild("Shell");
    EXPECT_FALSE(root->findChild("Materials")->isLink(material));
    EXPECT_EQ(material->parent(), root->findChild("Materials"));
    EXPECT_EQ(root->findChild("Forward")->findChild("Shell"), material);
    EXPECT_TRUE(root->findChild("Forward")->isLink("Shell"));
    EXPECT_EQ(root->findChild("Children")->findChild("1")->findChild("Shell"), material);

    for (const UdfNode::Child& child : root->children()) {
        if (child.node->isContainer()) {
            expectChildDataFollowsDirectory(*child.node, bytes);
        }
    }
    // Writing what was read gives the same bytes again.
    EXPECT_EQ(image(*root), bytes);
}

TEST(UdfBinary, ALinkToANodeOutsideTheTreeFailsTheSave) {
    UdfNode root("_root");
    auto outside = UdfNode::makeInt("Outside", 1);
    root.addChild(std::make_unique<UdfNode>("Holder"))->addLink(outside.get());
    std::vector<std::uint8_t> bytes;
    EXPECT_FALSE(UdfBinaryWriter::toBytes(childrenOf(root), bytes));
    UdfBinaryReader reader;
    UdfNode* read = loaded(reader, bytes);
    ASSERT_NE(read, nullptr);
    UdfNode* link = read->findChild("Holder")->findChild("Outside");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->offset(), 0u);
    EXPECT_EQ(link->size(), 0u);
}

TEST(UdfBinary, LoadFlagsChooseHowFarAndFromWhere) {
    auto scene = sceneTree();
    const std::vector<std::uint8_t> bytes = image(*scene);
    {
        UdfBinaryReader reader;
        UdfNode* root = loaded(reader, bytes, kLoadNoDescend);
        UdfNode* children = root->findChild("Children");
        ASSERT_NE(children, nullptr);
        EXPECT_FALSE(children->childrenLoaded());
        EXPECT_EQ(children->childCount(), 0u);
        EXPECT_TRUE(children->load(kLoadOneLevel));
        UdfNode* mesh = children->findChild("0");
        ASSERT_NE(mesh, nullptr);
        EXPECT_TRUE(mesh->childrenLoaded());
        EXPECT_FALSE(mesh->findChild("FVF")->dataLoaded());
        EXPECT_EQ(mesh->findChild("FVF")->asInt(), 0);
        EXPECT_TRUE(root->load());
        EXPECT_EQ(mesh->findChild("FVF")->asInt(), 786);
        EXPECT_EQ(test::describe(*root), test::describe(*scene));
    }
    for (std::uint32_t flags :
         {kLoadReadWhole, kLoadReadWhole | kLoadKeepBytes, kLoadKeepBytes | kLoadPointIntoParent}) {
        UdfBinaryReader reader;
        UdfNode* root = loaded(reader, bytes, kLoadNoDescend);
        UdfNode* children = root->findChild("Children");
        EXPECT_TRUE(children->load(flags)) << flags;
        EXPECT_TRUE(root->load());
        EXPECT_EQ(test::describe(*root), test::describe(*scene)) << flags;
        UdfNode* mesh = children->findChild("0");
        UdfNode* verts = mesh->findChild("Verts");
        if (flags & kLoadKeepBytes) {
            ASSERT_NE(children->data(), nullptr);
            EXPECT_EQ(std::memcmp(children->data(), &bytes[children->offset()], children->size()),
                      0);
        } else {
            EXPECT_EQ(children->data(), nullptr);
        }
        // Only the deepest level points into its parent's bytes; the rest are copies.
        const bool points = (flags & kLoadPointIntoParent) != 0;
        EXPECT_EQ(verts->dataInParent(), points) << flags;
        if (points) {
            EXPECT_EQ(verts->data(), mesh->data() + (verts->offset() - mesh->offset()));
        }
    }
}

std::vector<UdfType> keyTypes() {
    UdfType aniKey{"AniKey",
                   {{"time", "real"},
                    {"x", "real"},
                    {"y", "real"},
                    {"z", "real"},
                    {"w", "real"},
                    {"note", "string"},
                    {"pad", "real", true, 3}}};
    UdfType pair{"Pair", {{"first", "AniKey"}, {"id", "int"}, {"tag", "char", true, 2}}};
    UdfType loop{"Loop", {{"self", "Loop"}}};
    UdfType nothing{"Nothing", {{"x", "unknown"}}};
    return {aniKey, pair, loop, nothing};
}

TEST(UdfBinary, TypeTableIsReadAndLeavesExpand) {
    UdfNode root("_root");
    auto k = key(2.0f, 1, 2, 3, 4);
    root.addLeaf("k", "AniKey", k.data(), 32, true);
    std::vector<std::uint8_t> pairBytes = key(1, 5, 6, 7, 8);
    for (int b : {9, 0, 0, 0, int('a'), int('b')}) {
        pairBytes.push_back(std::uint8_t(b));
    }
    root.addArray("pairs", "Pair", 2)->setData(pairBytes.data(), 38, true);
    const std::uint8_t ints[] = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0};
    root.addArray("ints", "int", 3)->setData(ints, 12, true);
    root.addArray("many", "int", 0xFFFFFFFF)->setData(ints, 8, true);
    root.addArray("none", "Nothing", 1000000)->setData(ints, 12, true);
    root.addLeaf("loop", "Loop", ints, 4, true);
    root.addLeaf("odd", "Unknown", ints, 4, true);
    const std::vector<std::uint8_t> bytes = image(root, keyTypes());

    UdfBinaryReader reader;
    UdfNode* read = loaded(reader, bytes);
    ASSERT_NE(read, nullptr);
    ASSERT_NE(reader.types().find("Pair"), nullptr);
    EXPECT_EQ(reader.types().find("AniKey")->fields.size(), 7u);
    EXPECT_EQ(*reader.types().sizeOf("AniKey"), 32u);
    EXPECT_EQ(*reader.types().sizeOf("Pair"), 38u);
    EXPECT_FALSE(reader.types().sizeOf("Loop").has_value());

    UdfNode* leaf = read->findChild("k");
    EXPECT_TRUE(reader.expandLeaf(leaf, kExpandPointIntoLeaf));
    EXPECT_TRUE(leaf->isContainer());
    std::vector<std::string> names;
    for (const UdfNode::Child& child : leaf->children()) {
        names.push_back(child.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"time", "x", "y", "z", "w", "pad"}));
    EXPECT_FLOAT_EQ(leaf->findChild("time")->asReal(), 2.0f);
    EXPECT_FLOAT_EQ(leaf->findChild("w")->asReal(), 4.0f);
    EXPECT_EQ(leaf->findChild("w")->data(), leaf->data() + 16);
    EXPECT_EQ(leaf->findChild("pad")->flags(), kUdfArray);
    EXPECT_EQ(leaf->findChild("pad")->size(), 12u);
    EXPECT_FALSE(reader.expandLeaf(leaf, 0));  // a container now

    UdfNode* pairs = read->findChild("pairs");
    EXPECT_FALSE(reader.expandLeaf(pairs, 0));  // 38 bytes hold one of two elements
    ASSERT_EQ(pairs->childCount(), 2u);
    EXPECT_EQ(pairs->findChild("1")->data(), nullptr);
    UdfNode* first = pairs->findChild("0");
    EXPECT_FALSE(first->dataInParent());
    EXPECT_FLOAT_EQ(first->findChild("first")->findChild("x")->asReal(), 5.0f);
    EXPECT_EQ(first->findChild("id")->asInt(), 9);
    EXPECT_EQ(first->findChild("tag")->asString().view(), "ab");

    UdfNode* intArray = read->findChild("ints");
    EXPECT_TRUE(reader.expandLeaf(intArray, 0));
    EXPECT_EQ(intArray->childCount(), 0u);
    EXPECT_TRUE(reader.expandLeaf(intArray, kExpandPrimitiveArrays));
    ASSERT_EQ(intArray->childCount(), 3u);
    EXPECT_EQ(intArray->findChild("2")->asInt(), 3);

    // A count that the bytes can't back makes elements without data only up to the reader's
    // allowance, the file's size and a thousand.
    UdfNode* many = read->findChild("many");
    EXPECT_FALSE(reader.expandLeaf(many, kExpandPrimitiveArrays));
    EXPECT_GT(many->childCount(), 2u);
    EXPECT_LE(many->childCount(), 2 + bytes.size() + kSpareElements);
    EXPECT_EQ(many->findChild("1")->asInt(), 2);
    EXPECT_EQ(many->findChild("2")->data(), nullptr);
    UdfNode* none = read->findChild("none");
    EXPECT_FALSE(reader.expandLeaf(none, 0));
    EXPECT_EQ(none->childCount(), 0u);
    EXPECT_FALSE(reader.expandLeaf(read->findChild("loop"), 0));
    EXPECT_FALSE(reader.expandLeaf(read->findChild("odd"), 0));

    UdfBinaryReader eager;
    UdfNode* expanded = loaded(eager, bytes, kLoadExpandLeaves);
    EXPECT_TRUE(expanded->findChild("k")->isContainer());
    EXPECT_EQ(expanded->findChild("ints")->childCount(), 0u);
}

// Leaves shorter than their count of elements: every element is made, those past the bytes
// without data, and the expansion reports that it is incomplete.
TEST(UdfBinary, ShortArraysExpandToEveryElement) {
    struct Case {
        const char* what;
        const char* type;
        std::uint32_t count;
        std::uint32_t bytes;
        std::uint32_t flags;
        std::uint32_t backed;
        bool complete;
    };
    const Case cases[] = {
        {"ints, two of five backed", "int", 5, 8, kExpandPrimitiveArrays, 2, false},
        {"ints, the last one cut", "int", 3, 11, kExpandPrimitiveArrays, 2, false},
        {"ints, none backed", "int", 4, 0, kExpandPrimitiveArrays, 0, false},
        {"ints, all backed", "int", 3, 12, kExpandPrimitiveArrays, 3, true},
        {"chars, one of three backed", "char", 3, 1, kExpandPrimitiveArrays, 1, false},
        {"records, one of three backed", "Pair", 3, 38, 0, 1, false},
        {"records, one level, pointing", "Pair", 3, 40, kExpandOneLevel | kExpandPointIntoLeaf, 1,
         false},
        {"records, all backed", "Pair", 2, 76, 0, 2, true},
    };
    std::vector<std::uint8_t> payload(80);
    for (std::size_t i = 0; i < payload.size(); ++i) {
        payload[i] = std::uint8_t(i + 1);
    }
    for (const Case& c : cases) {
        UdfNode tree("_root");
        tree.addArray("a", c.type, c.count)->setData(payload.data(), c.bytes, true);
        const std::vector<std::uint8_t> bytes = image(tree, keyTypes());
        UdfBinaryReader reader;
        UdfNode* root = loaded(reader, bytes);
        ASSERT_NE(root, nullptr) << c.what;
        UdfNode* array = root->findChild("a");
        EXPECT_EQ(reader.expandLeaf(array, c.flags), c.complete) << c.what;
        ASSERT_EQ(array->childCount(), c.count) << c.what;
        const std::uint32_t elementSize = *reader.types().sizeOf(c.type);
        for (std::uint32_t i = 0; i < c.count; ++i) {
            const UdfNode* element = array->findChild(std::to_string(i));
            ASSERT_NE(element, nullptr) << c.what << " " << i;
            EXPECT_EQ(element->typeName().view(), c.type) << c.what;
            if (i < c.backed) {
                ASSERT_NE(element->data(), nullptr) << c.what << " " << i;
                EXPECT_EQ(element->data()[0], payload[i * elementSize]) << c.what << " " << i;
                EXPECT_EQ(element->dataInParent(), (c.flags & kExpandPointIntoLeaf) != 0);
            } else {
                EXPECT_EQ(element->data(), nullptr) << c.what << " " << i;
                EXPECT_EQ(element->childCount(), 0u) << c.what << " " << i;
            }
        }
        if (c.backed > 0 && c.type == std::string_view("Pair")) {
            const UdfNode* first = array->findChild("0");
            EXPECT_EQ(first->childCount(), (c.flags & kExpandOneLevel) ? 0u : 3u) << c.what;
        }
    }
}

TEST(UdfBinary, WrongMagicIsRefused) {
    const std::vector<std::uint8_t> good = image(*cameraPath());
    UdfBinaryReader reader;
    ASSERT_NE(reader.attachMemory(good.data(), std::uint32_t(good.size())), nullptr);
    for (std::size_t i = 4; i < 22; ++i) {
        std::vector<std::uint8_t> bad = good;
        bad[i] ^= 0x20;
        EXPECT_EQ(reader.attachMemory(bad.data(), std::uint32_t(bad.size())), nullptr) << i;
    }
    for (const char* magic : {"UDF Binary 1.", "UDF Binary 1.0x", "udf binary 1.0", ""}) {
        Bytes b;
        b.u32(0).str(magic).u32(0).u32(0).u32(8).u32(0);
        EXPECT_EQ(reader.attachMemory(b.data.data(), b.size()), nullptr) << magic;
    }
}

TEST(UdfBinary, SharedOffsetsGiveOneNodeAndEmptyEntriesStayApart) {
    // Root: containers p and q, then two empty leaves at one offset. p owns "a" at 200;
    // q names the same bytes as a link "b".
    Bytes b;
    b.header();
    b.patch(26, 2000);
    const std::uint32_t root = b.size();
    b.u32(0).u32(4);
    b.str("p").str("").u8(kUdfContainer);
    const std::uint32_t pEntry = b.size();
    b.u32(0).u32(0);
    b.str("q").str("").u8(kUdfContainer);
    const std::uint32_t qEntry = b.size();
    b.u32(0).u32(0);
    b.str("e1").str("int").u8(0).u32(0).u32(0);
    b.str("e2").str("int").u8(0).u32(0).u32(0);
    b.patch(root, b.size() - root);
    const std::uint32_t p = b.size();
    b.u32(8 + 18).u32(1).str("a").str("").u8(0).u32(200).u32(4);
    const std::uint32_t q = b.size();
    b.u32(8 + 18).u32(1).str("b").str("").u8(kUdfLink).u32(200).u32(4);
    b.patch(pEntry, p);
    b.patch(pEntry + 4, q - p);
    b.patch(qEntry, q);
    b.patch(qEntry + 4, b.size() - q);
    while (b.size() < 204) {
        b.u8(0x11);
    }
    UdfBinaryReader reader;
    UdfNode* read = loaded(reader, b.data);
    ASSERT_NE(read, nullptr);
    UdfNode* a = read->findChild("p")->findChild("a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(read->findChild("q")->findChild("a"), a);
    EXPECT_TRUE(read->findChild("q")->isLink("a"));
    EXPECT_FALSE(read->findChild("p")->isLink("a"));
    EXPECT_EQ(a->asInt(), 0x11111111);
    EXPECT_NE(read->findChild("e1"), read->findChild("e2"));
    EXPECT_NE(read->findChild("e2"), nullptr);
}

// Empty leaves have no bytes of their own: their offset is where the next node's bytes begin,
// which may be a sibling of their container, a nested container's directory or the file's end.
TEST(UdfBinary, EmptyLeavesRoundTripWhereverTheyStand) {
    struct Case {
        const char* what;
        void (*build)(UdfNode& root);
    };
    const Case cases[] = {
        {"ending a container, a leaf after it",
         [](UdfNode& root) {
             UdfNode* a = root.addChild(std::make_unique<UdfNode>("A", "Node"));
             a->addInt("x", 1);
             a->addString("e", "");
             root.addInt("B", 2);
         }},
        {"alone in a container, a container after it",
         [](UdfNode& root) {
             root.addChild(std::make_unique<UdfNode>("A"))->addString("e", "");
             root.addChild(std::make_unique<UdfNode>("B"))->addInt("y", 3);
         }},
        {"ending nested containers, their parents' siblings after them",
         [](UdfNode& root) {
             UdfNode* a = root.addChild(std::make_unique<UdfNode>("A"));
             UdfNode* inner = a->addChild(std::make_unique<UdfNode>("Inner"));
             inner->addLeaf("Verts", "", "abcd", 4, true);
             inner->addLeaf("None", "", nullptr, 0, true);
             a->addLeaf("Tail", "byte", nullptr, 0, true);
             root.addReal("B", 0.25f);
             root.addChild(std::make_unique<UdfNode>("C"))->addInt("z", 4);
         }},
        {"elements of an array, and the last node of the file",
         [](UdfNode& root) {
             UdfNode* list = root.addArray("List", "string", 3);
             list->setContainer();
             list->addString("0", "");
             list->addString("1", "");
             list->addString("2", "");
             root.addInt("After", 5);
             root.addString("Last", "");
         }},
    };
    const std::uint32_t flagSets[] = {0, kLoadReadWhole, kLoadReadWhole | kLoadKeepBytes,
                                      kLoadKeepBytes | kLoadPointIntoParent};
    for (const Case& c : cases) {
        UdfNode tree("_root", "_roottype");
        c.build(tree);
        const std::vector<std::uint8_t> bytes = image(tree);
        for (std::uint32_t flags : flagSets) {
            UdfBinaryReader reader;
            UdfNode* root = reader.attachMemory(bytes.data(), std::uint32_t(bytes.size()));
            ASSERT_NE(root, nullptr) << c.what;
            EXPECT_TRUE(root->load(flags)) << c.what << " " << flags;
            EXPECT_EQ(test::describe(*root), test::describe(tree)) << c.what << " " << flags;
            EXPECT_EQ(image(*root), bytes) << c.what << " " << flags;
        }
    }
}

// A tree whose one big leaf lies `depth` containers deep.
std::unique_ptr<UdfNode> nestedLeaf(int depth, std::uint32_t size) {
    auto root = std::make_unique<UdfNode>("_root", "_roottype");
    UdfNode* at = root.get();
    for (int i = 0; i < depth; ++i) {
        at = at->addChild(std::make_unique<UdfNode>("Level" + std::to_string(i), "Node"));
    }
    std::vector<std::uint8_t> bytes(size);
    for (std::uint32_t i = 0; i < size; ++i) {
        bytes[i] = std::uint8_t(i * 131 + (i >> 12));
    }
    at->addLeaf("Verts", "", bytes.data(), size, true);
    at->addInt("FVF", 274);
    root->addInt("Tail", 9);
    return root;
}

// Bytes held by the nodes themselves, not pointing into a parent's.
std::uint64_t ownedBytes(const UdfNode& node) {
    std::uint64_t total = node.data() && !node.dataInParent() ? node.size() : 0;
    for (const UdfNode::Child& child : node.children()) {
        total += child.link ? 0 : ownedBytes(*child.node);
    }
    return total;
}

TEST(UdfBinary, EveryLoadFlagLoadsSoundFilesWithBigNestedLeaves) {
    struct Case {
        int depth;
        std::uint32_t size;
    };
    const Case cases[] = {{3, 2u << 20}, {12, 300000}};
    const std::uint32_t flagSets[] = {
        kLoadReadWhole,
        kLoadKeepBytes,
        kLoadReadWhole | kLoadKeepBytes,
        kLoadKeepBytes | kLoadPointIntoParent,
        kLoadReadWhole | kLoadKeepBytes | kLoadPointIntoParent,
        kLoadReadWhole | kLoadKeepBytes | kLoadExpandLeaves,
    };
    for (const Case& c : cases) {
        auto tree = nestedLeaf(c.depth, c.size);
        const std::vector<std::uint8_t> bytes = image(*tree);
        const UdfNode* verts = tree.get();
        for (int i = 0; i < c.depth; ++i) {
            verts = verts->findChild("Level" + std::to_string(i));
        }
        verts = verts->findChild("Verts");
        for (std::uint32_t flags : flagSets) {
            UdfBinaryReader reader;
            UdfNode* root = reader.attachMemory(bytes.data(), std::uint32_t(bytes.size()));
            ASSERT_NE(root, nullptr);
            EXPECT_TRUE(root->load(flags)) << c.depth << " " << flags;
            const UdfNode* read = root;
            for (int i = 0; read && i < c.depth; ++i) {
                read = read->findChild("Level" + std::to_string(i));
            }
            ASSERT_NE(read, nullptr) << c.depth << " " << flags;
            EXPECT_EQ(read->findChild("FVF")->asInt(), 274) << c.depth << " " << flags;
            read = read->findChild("Verts");
            ASSERT_NE(read, nullptr);
            ASSERT_NE(read->data(), nullptr) << c.depth << " " << flags;
            ASSERT_EQ(read->size(), c.size);
            EXPECT_EQ(std::memcmp(read->data(), verts->data(), c.size), 0)
                << c.depth << " " << flags;
            EXPECT_EQ(root->findChild("Tail")->asInt(), 9);
            // Copies of copies stop at the reader's allowance; references serve past it.
            EXPECT_LE(ownedBytes(*root), 4ull * bytes.size() + (1u << 20) + c.size)
                << c.depth << " " << flags;
        }
    }
}

// A file whose root directory (at 30, 26 bytes) holds one entry.
Bytes oneEntry(const char* name, std::uint8_t flags, std::uint32_t offset, std::uint32_t size) {
    Bytes b;
    b.header();
    b.patch(26, 1u << 20);
    const std::uint32_t root = b.size();
    b.u32(0).u32(1).str(name).str("").u8(flags).u32(offset).u32(size);
    b.patch(root, b.size() - root);
    return b;
}

TEST(UdfBinary, DamagedEntriesAreRefusedQuietly) {
    struct Case {
        const char* what;
        std::uint32_t offset;
        std::uint32_t size;
    };
    const Case cases[] = {
        {"size past the end", 30, 0xFFFFFFF0},
        {"sum wraps in 32 bits", 0xFFFFFFF0, 0x20},
        {"offset past the end", 0x7FFFFFF0, 4},
        {"one byte too many", 30, 27},
    };
    for (const Case& c : cases) {
        Bytes b = oneEntry("x", 0, c.offset, c.size);
        UdfBinaryReader reader;
        UdfNode* root = reader.attachMemory(b.data.data(), b.size());
        ASSERT_NE(root, nullptr) << c.what;
        EXPECT_FALSE(root->load()) << c.what;
        UdfNode* x = root->findChild("x");
        ASSERT_NE(x, nullptr) << c.what;
        EXPECT_EQ(x->data(), nullptr) << c.what;
        EXPECT_EQ(x->asInt(), 0) << c.what;
    }
    Bytes fits = oneEntry("x", 0, 30, 26);
    ASSERT_EQ(fits.size(), 56u);
    UdfBinaryReader reader;
    EXPECT_TRUE(reader.attachMemory(fits.data.data(), fits.size())->load());
}

TEST(UdfBinary, OverlappingLeavesDontMultiplyTheMemoryRead) {
    // 4000 entries, each claiming the 64 KiB that start at a different byte: read in full they
    // would take 256 MiB from a file of about 150 KiB.
    Bytes b;
    b.header();
    b.patch(26, 1u << 30);
    const std::uint32_t root = b.size();
    const int count = 4000;
    b.u32(0).u32(count);
    for (int i = 0; i < count; ++i) {
        b.str(std::to_string(i)).str("").u8(0).u32(30 + i).u32(65536);
    }
    b.patch(root, b.size() - root);
    b.data.resize(b.size() + 65536, 0x5A);
    UdfBinaryReader reader;
    UdfNode* read = reader.attachMemory(b.data.data(), b.size());
    ASSERT_NE(read, nullptr);
    EXPECT_FALSE(read->load());
    ASSERT_EQ(read->childCount(), std::uint32_t(count));
    std::uint64_t held = 0;
    for (const UdfNode::Child& child : read->children()) {
        held += child.node->data() ? child.node->size() : 0;
    }
    EXPECT_LE(held, 4ull * b.size() + (1u << 20));
}

TEST(UdfBinary, ContainersThatLeadBackAreNotFollowedForever) {
    // "self" names the root directory itself; "loop" is a link to a container whose directory
    // names that container again.
    Bytes b;
    b.header();
    b.patch(26, 1u << 20);
    const std::uint32_t root = b.size();
    b.u32(0).u32(2);
    b.str("self").str("").u8(kUdfContainer).u32(root).u32(1000);
    b.str("loop").str("").u8(kUdfContainer | kUdfLink);
    const std::uint32_t loopEntry = b.size();
    b.u32(0).u32(1000);
    b.patch(root, b.size() - root);
    const std::uint32_t inner = b.size();
    b.patch(loopEntry, inner);
    b.u32(8 + 21).u32(1).str("back").str("").u8(kUdfContainer).u32(inner).u32(1000);
    b.data.resize(1200);
    UdfBinaryReader reader;
    UdfNode* read = reader.attachMemory(b.data.data(), b.size());
    ASSERT_NE(read, nullptr);
    read->load();
    UdfNode* self = read->findChild("self");
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self->findChild("self"), self);
    EXPECT_TRUE(self->isLink("self"));
    UdfNode* loop = read->findChild("loop");
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->findChild("loop"), loop);  // a shared node keeps its first name
    EXPECT_TRUE(loop->isLink("loop"));
    // Writing it out must end too.
    std::vector<std::uint8_t> out;
    UdfBinaryWriter::toBytes(childrenOf(*read), out);
    EXPECT_FALSE(out.empty());
}

TEST(UdfBinary, HugeCountsAndTruncatedFilesFailQuickly) {
    {
        Bytes b;
        b.header();
        b.u32(8).u32(0xFFFFFFFF);
        UdfBinaryReader reader;
        UdfNode* root = reader.attachMemory(b.data.data(), b.size());
        ASSERT_NE(root, nullptr);
        EXPECT_FALSE(root->load());
        EXPECT_EQ(root->childCount(), 0u);
    }
    {
        Bytes b;
        b.u32(0).str("UDF Binary 1.0").u32(0xFFFFFFFF).str("t").u32(0xFFFFFFFF);
        UdfBinaryReader reader;
        EXPECT_EQ(reader.attachMemory(b.data.data(), b.size()), nullptr);
    }
    auto scene = sceneTree();
    const std::vector<std::uint8_t> bytes = image(*scene, keyTypes());
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        UdfBinaryReader reader;
        UdfNode* root = reader.attachMemory(bytes.data(), std::uint32_t(length));
        if (root) {
            EXPECT_FALSE(root->load(kLoadExpandLeaves)) << length;
        }
    }
}

TEST(UdfBinary, DeepTreesAreWrittenAndLoadedWithoutRecursion) {
    auto root = std::make_unique<UdfNode>("_root");
    UdfNode* at = root.get();
    const int depth = 100000;
    for (int i = 0; i < depth; ++i) {
        at = at->addChild(std::make_unique<UdfNode>("c"));
    }
    at->addInt("v", 5);
    const std::vector<std::uint8_t> bytes = image(*root);
    UdfBinaryReader reader;
    UdfNode* read = loaded(reader, bytes);
    ASSERT_NE(read, nullptr);
    int levels = 0;
    UdfNode* node = read;
    while (node->findChild("c")) {
        node = node->findChild("c");
        ++levels;
    }
    EXPECT_EQ(levels, depth);
    EXPECT_EQ(node->findChild("v")->asInt(), 5);
}

}  // namespace
}  // namespace udf
