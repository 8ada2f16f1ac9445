// The automaton against the plain search it replaces: the first pattern in
// list order that occurs, on random tables and texts over a small alphabet
// (so that patterns overlap, nest and share suffixes) and on edge cases.
#include "common/multi_pattern_finder.h"

#include <gtest/gtest.h>

#include <random>

#include "common/find_substring.h"

namespace tb {
namespace {

long firstByPlainSearch(const std::vector<std::string>& patterns, std::string_view text) {
    for (size_t i = 0; i < patterns.size(); ++i) {
        if (SubstringFinder(patterns[i]).find(text) >= 0) return static_cast<long>(i);
    }
    return -1;
}

TEST(MultiPatternFinder, AnswersAsThePlainSearchInTableOrder) {
    std::mt19937 random(20261208);
    const std::string alphabet("abc\0\xff", 5);
    const auto randomText = [&](size_t maxLength) {
        std::string text(random() % (maxLength + 1), ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        return text;
    };
    for (int table = 0; table < 400; ++table) {
        std::vector<std::string> patterns(1 + random() % 12);
        for (std::string& p : patterns) p = randomText(5);
        const MultiPatternFinder finder(patterns);
        for (int t = 0; t < 250; ++t) {
            const std::string text = randomText(40);
            ASSERT_EQ(finder.firstIn(text), firstByPlainSearch(patterns, text))
                << "table " << table << " text " << t;
        }
    }
}

TEST(MultiPatternFinder, EdgeCases) {
    EXPECT_EQ(MultiPatternFinder().firstIn("anything"), -1);
    EXPECT_EQ(MultiPatternFinder(std::vector<std::string>{}).firstIn(""), -1);
    // A later, shorter pattern inside an earlier one: table order wins.
    const MultiPatternFinder nested({"casino", "sin"});
    EXPECT_EQ(nested.firstIn("my casino"), 0);
    EXPECT_EQ(nested.firstIn("a sing"), 1);
    // A pattern that is a suffix of a longer partial match.
    const MultiPatternFinder suffix({"abcd", "bc"});
    EXPECT_EQ(suffix.firstIn("xabcx"), 1);
    EXPECT_EQ(suffix.firstIn("abcd"), 0);
    // The empty pattern occurs everywhere, even in the empty text.
    const MultiPatternFinder empty({"zz", "", "a"});
    EXPECT_EQ(empty.firstIn(""), 1);
    EXPECT_EQ(empty.firstIn("a"), 1);
    EXPECT_EQ(empty.firstIn("zz"), 0);
    // Byte-exact: case and high bytes count.
    const MultiPatternFinder bytes({"Bet", "\xe9t\xe9"});
    EXPECT_EQ(bytes.firstIn("bet"), -1);
    EXPECT_EQ(bytes.firstIn("l'\xe9t\xe9"), 1);
}

}  // namespace
}  // namespace tb
