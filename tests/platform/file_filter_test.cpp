// File filters as the settings dialog writes them, and the pattern rule the chooser filters by.
#include <gtest/gtest.h>

#include "platform/file_chooser.h"

namespace {

using platform::FileFilter;

TEST(FileFilter, PairsOfDescriptionAndPatterns) {
    struct Case {
        const char* text;
        std::vector<FileFilter> expected;
    };
    const Case cases[] = {
        {"(*.jpg;*.png)|*.jpg;*.png|", {{"(*.jpg;*.png)", {"*.jpg", "*.png"}}}},
        {"A|*.a|B|*.b;;*.c;|", {{"A", {"*.a"}}, {"B", {"*.b", "*.c"}}}},
        {"A|*.a", {}},                   // no closing bar: nothing complete
        {"A|*.a|B|", {{"A", {"*.a"}}}},  // a description without patterns
        {"A||B|*.b|", {{"B", {"*.b"}}}},
        {"", {}},
        {"|||||", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::ParseFileFilter(c.text), c.expected) << c.text;
    }
}

TEST(FileFilter, PatternsMatchWholeNamesWithoutCase) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*.jpg", "photo.jpg", true},
        {"*.jpg", "PHOTO.JPG", true},
        {"*.jpg", "photo.jpeg", false},
        {"*.jpg", "photo.jpg.txt", false},
        {"*.jpg", ".jpg", true},
        {"*.jpg", "jpg", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"*", "", true},
        {"", "", true},
        {"", "a", false},
        {"**.png", "x.png", true},
        {"*a*b*", "xxaxxbxx", true},
        {"*a*b*", "xxbxxaxx", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::MatchesPattern(c.pattern, c.name), c.matches)
            << c.pattern << " " << c.name;
    }
    // A long name against many stars ends promptly.
    EXPECT_FALSE(platform::MatchesPattern("*a*a*a*a*a*a*a*b", std::string(20000, 'a')));
}

}  // namespace
