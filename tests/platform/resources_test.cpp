#include "platform/resources.h"

#include <gtest/gtest.h>

#include "platform/fake/memory_resources.h"

namespace {

TEST(Resources, TypeComparesWithoutCaseAndIdExactly) {
    platform::fake::MemoryResources res;
    res.Add("CustomData", 193, std::string_view("abc"));
    auto found = res.Find("customdata", 193);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->size(), 3u);
    EXPECT_FALSE(res.Find("CustomData", 194));
    EXPECT_FALSE(res.Find("CustomDat", 193));
}

TEST(Resources, ModuleResourcesAreReferencedInPlace) {
    const auto& module = platform::Resources::Module();
    EXPECT_FALSE(module.Find("NoSuchType", 1));
    auto first = module.Find("CUSTOMDATA", 193);
    auto second = module.Find("customdata", 193);
    if (first) {
        ASSERT_TRUE(second);
        EXPECT_EQ(first->data(), second->data());
    }
}

}  // namespace
