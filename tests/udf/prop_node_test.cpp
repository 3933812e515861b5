#include "udf/prop_node.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "udf_test_support.h"

namespace udf {
namespace {

TEST(PropNode, NumbersFollowTheValueText) {
    struct Case {
        const char* text;
        std::int32_t asInt;
        float asReal;
    };
    const Case cases[] = {
        {"12.9", 12, 12.9f},    {"-12.9", -12, -12.9f},
        {"12abc", 0, 12.0f},    {"", 0, 0.0f},
        {"abc", 0, 0.0f},       {"1e3", 1000, 1000.0f},
        {"+7", 7, 7.0f},        {".5", 0, 0.5f},
        {"5.", 5, 5.0f},        {"1e", 0, 1.0f},
        {"2.5e-1x", 0, 0.25f},  {"0x10", 0, 0.0f},
        {" 5", 0, 0.0f},        {"-", 0, 0.0f},
        {"3e9", INT_MAX, 3e9f}, {"-3e9", INT_MIN, -3e9f},
        {"-0.99", 0, -0.99f},   {"1e999", INT_MAX, INFINITY},
    };
    for (const Case& c : cases) {
        PropNode node;
        node.value = c.text;
        EXPECT_EQ(node.asInt(), c.asInt) << c.text;
        EXPECT_FLOAT_EQ(node.asReal(), c.asReal) << c.text;
    }
}

TEST(PropNode, PathLookupCreatesWhatIsMissing) {
    struct Case {
        const char* path;
        const char* tree;  // the whole tree after the lookup
        const char* name;  // of the node returned
    };
    const Case cases[] = {
        {"Styles[0].Size", "Styles[0{Size}]", "Size"},
        {"Sizes[\"0\"]", "Sizes[\"0\"]", "\"0\""},
        {"  Fov \t", "Fov", "Fov"},
        {"a.b.c", "a{b{c}}", "c"},
        {"m[1][2]", "m[1[2]]", "2"},
        {"t[ x ]", "t[x]", "x"},
        {"e[a\\]b]", "e[a\\]b]", "a\\]b"},
        {"open[1", "open[[1]", "[1"},
        {"a.", "a{}", ""},
    };
    for (const Case& c : cases) {
        PropNode root;
        PropNode* found = PropNode::getOrCreate(root, c.path);
        ASSERT_NE(found, nullptr) << c.path;
        EXPECT_EQ(test::describe(root), c.tree) << c.path;
        EXPECT_EQ(found->name.view(), c.name) << c.path;
        EXPECT_EQ(PropNode::getOrCreate(root, c.path), found) << c.path;
    }
}

TEST(PropNode, LookupStartsAtTheScope) {
    PropNode root;
    PropNode* scope = PropNode::getOrCreate(root, "Styles[1]");
    PropNode* size = PropNode::getOrCreate(root, "Size", scope);
    EXPECT_EQ(scope->findChild("Size"), size);
    EXPECT_EQ(root.findChild("Size"), nullptr);
}

TEST(PropNode, ChildrenKeepInsertionOrder) {
    PropNode root;
    for (const char* name : {"zeta", "alpha", "mid"}) {
        PropNode::getOrCreate(root, name);
    }
    EXPECT_EQ(test::describe(root), "zeta,alpha,mid");
    root.insert("alpha", std::make_unique<PropNode>("alpha"))->value = "new";
    EXPECT_EQ(test::describe(root), "zeta,alpha=new,mid");
}

TEST(PropNode, CopyFromTakesTheSubtreeEvenFromInsideItself) {
    PropNode root;
    PropNode* a = PropNode::getOrCreate(root, "A.B.C");
    a->value = "1";
    PropNode* outer = root.findChild("A");
    PropNode* inner = outer->findChild("B");
    // Copying a node's own child into it replaces the child it reads from.
    ASSERT_TRUE(outer->copyFrom(*inner));
    EXPECT_EQ(test::describe(root), "A{C=1}");
    EXPECT_EQ(outer->name.view(), "B");

    PropNode other;
    PropNode::getOrCreate(other, "x.y")->value = "2";
    PropNode* x = other.findChild("x");
    PropNode* y = x->findChild("y");
    // ... and copying an ancestor into a descendant takes a snapshot, not a cycle.
    ASSERT_TRUE(y->copyFrom(*x));
    EXPECT_EQ(test::describe(other), "x{y{y=2}}");
}

TEST(PropNode, CopyFromRespectsItsNodeLimit) {
    PropNode source;
    for (int i = 0; i < 10; ++i) {
        PropNode::getOrCreate(source, std::to_string(i));
    }
    PropNode target;
    target.value = "kept";
    std::uint64_t copied = 0;
    EXPECT_FALSE(target.copyFrom(source, 9, &copied));
    EXPECT_EQ(target.value.view(), "kept");
    EXPECT_EQ(target.count(), 0u);
    EXPECT_EQ(copied, 10u);
    EXPECT_TRUE(target.copyFrom(source, 10, &copied));
    EXPECT_EQ(copied, 20u);
    EXPECT_EQ(target.count(), 10u);
}

TEST(PropNode, VeryDeepTreesAreDestroyedAndCopiedWithoutRecursion) {
    std::string path = "n";
    for (int i = 0; i < 200000; ++i) {
        path += ".n";
    }
    auto root = std::make_unique<PropNode>();
    PropNode::getOrCreate(*root, path)->value = "leaf";
    PropNode copy;
    EXPECT_TRUE(copy.copyFrom(*root));
    root.reset();
    copy.clear();
    EXPECT_EQ(copy.count(), 0u);
}

}  // namespace
}  // namespace udf
