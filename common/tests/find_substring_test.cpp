#include "common/find_substring.h"

#include <gtest/gtest.h>

#include <random>

namespace tb {
namespace {

TEST(FindSubstring, FindsTheLeftmostOccurrence) {
    EXPECT_EQ(findSubstring("aba", "bbbaabbbbbaba"), 10);
    EXPECT_EQ(findSubstring("ab", "xxabyyab"), 2);
    EXPECT_EQ(findSubstring("aaa", "aaaaaa"), 0);
    EXPECT_EQ(findSubstring("cat", "concatenate"), 3);
}

TEST(FindSubstring, EdgeLengths) {
    EXPECT_EQ(findSubstring("", "anything"), 0);
    EXPECT_EQ(findSubstring("", ""), 0);
    EXPECT_EQ(findSubstring("longer", "long"), -1);
    EXPECT_EQ(findSubstring("same", "same"), 0);
    EXPECT_EQ(findSubstring("x", ""), -1);
}

TEST(FindSubstring, IsCaseSensitiveAndByteExact) {
    EXPECT_EQ(findSubstring("Cat", "a cat"), -1);
    EXPECT_EQ(findSubstring("\xE9t\xE9", "l'\xE9t\xE9"), 2);
    EXPECT_EQ(findSubstring(std::string("a\0b", 3), std::string("xa\0b", 4)), 1);
}

TEST(FindSubstring, AgreesWithANaiveSearchOnRandomTexts) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> len(0, 12), byte(0, 2);
    for (int round = 0; round < 20000; ++round) {
        std::string pattern, text;
        for (int i = len(rng); i > 0; --i) pattern += char('a' + byte(rng));
        for (int i = len(rng) * 3; i > 0; --i) text += char('a' + byte(rng));
        const size_t expected = text.find(pattern);
        ASSERT_EQ(findSubstring(pattern, text), expected == std::string::npos ? -1 : long(expected))
            << pattern << " in " << text;
    }
}

TEST(SubstringFinder, SearchesManyTextsWithOnePreparedPattern) {
    const SubstringFinder finder("needle");
    EXPECT_EQ(finder.find("haystack with a needle in it"), 16);
    EXPECT_EQ(finder.find("no match"), -1);
    EXPECT_EQ(finder.find("needleneedle"), 0);
}

}  // namespace
}  // namespace tb
