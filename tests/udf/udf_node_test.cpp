#include "udf/udf_node.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace udf {
namespace {

TEST(UdfNode, ValuesAreReadFromTheRawBytes) {
    const std::uint8_t answer[] = {0x2A, 0, 0, 0};
    EXPECT_EQ(UdfNode::makeLeaf("a", "int", answer, 4, true)->asInt(), 42);
    EXPECT_EQ(UdfNode::makeLeaf("a", "int", answer, 3, true)->asInt(), 0);
    EXPECT_EQ(UdfNode::makeLeaf("a", "int", nullptr, 0, true)->asInt(), 0);
    const std::uint8_t minus[] = {0xFE, 0xFF, 0xFF, 0xFF, 9};
    EXPECT_EQ(UdfNode::makeLeaf("a", "int", minus, 5, true)->asInt(), -2);
    EXPECT_EQ(UdfNode::makeInt("a", -123456)->asInt(), -123456);
    EXPECT_FLOAT_EQ(UdfNode::makeReal("r", 2.5f)->asReal(), 2.5f);
    const std::uint8_t one[] = {0x00, 0x00, 0x80, 0x3F};
    EXPECT_FLOAT_EQ(UdfNode::makeLeaf("r", "real", one, 4, true)->asReal(), 1.0f);
    EXPECT_FLOAT_EQ(UdfNode::makeLeaf("r", "real", one, 2, true)->asReal(), 0.0f);

    auto text = UdfNode::makeString("s", "clock main");
    EXPECT_EQ(text->typeName().view(), "string");
    EXPECT_EQ(text->size(), 10u);
    EXPECT_EQ(text->asString().view(), "clock main");
    auto wide = UdfNode::makeUString("u", u"Zw\u0416");
    EXPECT_EQ(wide->size(), 6u);
    EXPECT_EQ(wide->asUString(), u"Zw\u0416");
    EXPECT_EQ(wide->data()[4], 0x16);
    EXPECT_EQ(wide->data()[5], 0x04);

    std::uint8_t out[8];
    std::memset(out, 0xCC, sizeof out);
    EXPECT_TRUE(text->copyData(out, 3));
    EXPECT_EQ(std::memcmp(out, "clo", 3), 0);
    EXPECT_EQ(out[3], 0xCC);
    std::vector<std::uint8_t> copy;
    EXPECT_TRUE(text->takeCopy(copy));
    EXPECT_EQ(copy.size(), 10u);
    UdfNode empty("e");
    EXPECT_FALSE(empty.copyData(out, 8));
    EXPECT_FALSE(empty.takeCopy(copy));
    EXPECT_TRUE(empty.asString().empty());
    EXPECT_TRUE(empty.asUString().empty());
}

TEST(UdfNode, LeavesCopyOrReferenceTheirBytes) {
    std::uint8_t bytes[] = {1, 2, 3, 4};
    auto copied = UdfNode::makeLeaf("c", "", bytes, 4, true);
    auto referenced = UdfNode::makeLeaf("r", "", bytes, 4, false);
    bytes[0] = 9;
    EXPECT_EQ(copied->data()[0], 1);
    EXPECT_EQ(referenced->data(), bytes);
    EXPECT_TRUE(referenced->externalData());
    EXPECT_FALSE(copied->externalData());
}

TEST(UdfNode, TypedAddsKeepAnExistingChild) {
    UdfNode node("n");
    EXPECT_FALSE(node.isContainer());
    UdfNode* first = node.addInt("A", 1);
    EXPECT_TRUE(node.isContainer());
    EXPECT_EQ(node.addInt("A", 2), first);
    EXPECT_EQ(node.addString("A", "x"), first);
    EXPECT_EQ(first->asInt(), 1);
    EXPECT_EQ(node.childCount(), 1u);
    UdfNode* array = node.addArray("Keys", "AniKey", 31);
    EXPECT_EQ(array->flags(), kUdfArray);
    EXPECT_EQ(array->elementCount(), 31u);
}

TEST(UdfNode, ChildrenAreOrderedNamedAndReplaced) {
    UdfNode node("n");
    for (const char* name : {"z", "a", "m"}) {
        node.addInt(name, 0);
    }
    std::vector<std::string> order;
    for (node.resetChildren(); node.currentChild(); node.advanceChild()) {
        order.push_back(node.currentChild()->name().str());
    }
    EXPECT_EQ(order, (std::vector<std::string>{"z", "a", "m"}));
    EXPECT_EQ(node.findChild("A"), nullptr);

    // An owned child of the same name is replaced; the new one goes to the end.
    node.addChild(UdfNode::makeInt("z", 5));
    EXPECT_EQ(node.findChild("z")->asInt(), 5);
    EXPECT_EQ(node.children().back().name, "z");

    auto shared = UdfNode::makeInt("s", 7);
    node.addLink(shared.get());
    EXPECT_TRUE(node.isLink("s"));
    EXPECT_TRUE(node.isLink(shared.get()));
    EXPECT_FALSE(node.isLink("a"));
    EXPECT_EQ(node.removeChild("s"), nullptr);  // a link is not handed over
    EXPECT_EQ(node.findChild("s"), nullptr);

    std::unique_ptr<UdfNode> taken = node.removeChild("a");
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->parent(), nullptr);
    EXPECT_EQ(node.childCount(), 2u);
    EXPECT_FALSE(node.load());
}

TEST(UdfNode, RemovingTheCurrentChildMovesTheCursorOn) {
    UdfNode node("n");
    node.addInt("a", 0);
    node.addInt("b", 0);
    node.resetChildren();
    auto taken = node.removeChild("a");
    ASSERT_NE(node.currentChild(), nullptr);
    EXPECT_EQ(node.currentChild()->name().view(), "b");
}

TEST(UdfNode, DeepTreesAreDestroyedWithoutRecursion) {
    auto root = std::make_unique<UdfNode>("root");
    UdfNode* at = root.get();
    for (int i = 0; i < 300000; ++i) {
        at = at->addChild(std::make_unique<UdfNode>("c"));
    }
    root.reset();
    SUCCEED();
}

}  // namespace
}  // namespace udf
