#include "common/list_encoding.h"

#include <gtest/gtest.h>

namespace tb {
namespace {

// The shift of each key character: its signed value divided by ten.
//   'v' 118 -> 11, 'u' 117 -> 11, 'k' 107 -> 10, '5' 53 -> 5, '8' 56 -> 5
TEST(ScrambleListText, EncodesUpperCaseTextWithTheKeyShifts) {
    EXPECT_EQ(encoded("abcd", kDefaultListKey), std::string({'A' + 11, 'B' + 11, 'C' + 10, 'D' + 5}));
}

TEST(ScrambleListText, LeavesTheFifthCharacterPlainAndRestartsTheKey) {
    const std::string e = encoded("aaaaaa", kDefaultListKey);
    EXPECT_EQ(e[4], 'A');
    EXPECT_EQ(e[5], 'A' + 11);  // the key starts again after the fifth character
}

TEST(ScrambleListText, EverySegmentIsEncodedFromTheStartOfTheKey) {
    const std::string host = encoded("host.example", kDefaultListKey);
    const std::string both = encoded("host.example/zzzzzzz", kDefaultListKey);
    EXPECT_EQ(both.substr(0, 13), host + "/");
    // Shifts 11 11 10 5 5 5 4 from the start of the key, nothing kept plain.
    EXPECT_EQ(both.substr(13), "eed___^");
}

TEST(ScrambleListText, KeepsLineEndsAndSlashesPlain) {
    const std::string e = encoded("ab/cd\rxy\nz", kDefaultListKey);
    EXPECT_EQ(e[2], '/');
    EXPECT_EQ(e[5], '\r');
    EXPECT_EQ(e[8], '\n');
    EXPECT_EQ(e[9], 'Z' + 11);  // key restarted after the line feed
}

TEST(ScrambleListText, WrapsTheKey) {
    // A one-character key shifts every character by the same amount.
    EXPECT_EQ(encoded("abcdefgh", "x"), "MNOPERST");  // 'x' 120 -> 12, fifth plain
    // Key "\x14\x28" alternates shifts of 2 and 4.
    EXPECT_EQ(encoded("aaaa", "\x14\x28"), "CECE");
}

TEST(ScrambleListText, DecodingReversesEncodingToLowerCase) {
    for (const char* text : {"www.site.example/a/b.html", "Mixed.Case/Path", "a", "", "1234567890"}) {
        std::string s = encoded(text, kDefaultListKey);
        scrambleListText(s, ScrambleMode::Decode, kDefaultListKey);
        std::string expected(text);
        for (char& c : expected) c = (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
        EXPECT_EQ(s, expected) << text;
    }
}

TEST(ScrambleListText, NegativeKeyBytesShiftDownward) {
    // 0xEC is -20 as a signed byte: a shift of -2.
    EXPECT_EQ(encoded("cccc", "\xEC"), "AAAA");
    EXPECT_EQ(decoded("AAAA", "\xEC"), "cccc");
}

TEST(ScrambleListText, AnEncodingThatWouldGiveASlashOrLineEndIsNotApplied) {
    // '%' + 10 would be '/', so '%' stays; decoding then shifts it back
    // anyway, and the original character does not come back.
    const std::string e = encoded("%", "d");  // 'd' 100 -> 10
    EXPECT_EQ(e, "%");
    EXPECT_EQ(decoded(e, "d"), "\x1b");
    // 3 + 10 = 13 (CR) and 0 + 10 = 10 (LF) are refused the same way.
    EXPECT_EQ(encoded(std::string("\x03", 1), "d"), std::string("\x03", 1));
    EXPECT_EQ(encoded(std::string("\0", 1), "d"), std::string("\0", 1));
}

TEST(ScrambleListText, EmptyKeyOnlyChangesCase) {
    EXPECT_EQ(encoded("abcdef", ""), "ABCDEF");
    EXPECT_EQ(decoded("ABCDEF", ""), "abcdef");
}

TEST(ScrambleListText, KeepsTheLength) {
    std::string s(3000, '\x7f');
    scrambleListText(s, ScrambleMode::Encode, kDefaultListKey);
    EXPECT_EQ(s.size(), 3000u);
}

}  // namespace
}  // namespace tb
