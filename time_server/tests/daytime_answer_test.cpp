#include "time_server/daytime_answer.h"

#include <gtest/gtest.h>

#include <string>

namespace tb {
namespace {

constexpr int64_t k20261207Noon = 1796644800;  // 2026-12-07 12:00:00 UTC

TEST(DaytimeAnswer, ReadsTheServersUtcTime) {
    EXPECT_EQ(parseDaytimeAnswer("\n60000 26-12-07 12:00:00 00 0 0 50.0 UTC(NIST) *\n"),
              k20261207Noon);
    EXPECT_EQ(parseDaytimeAnswer("\n51544 00-01-01 00:00:00 00 0 0 0.0 UTC(NIST) *"), 946684800);
    EXPECT_EQ(parseDaytimeAnswer("\n88069 99-12-31 23:59:59 00 0 0 0.0 UTC(NIST) *"), 4102444799);
    // The answer may end right after the seconds.
    EXPECT_EQ(parseDaytimeAnswer("\n60000 26-12-07 12:00:00"), k20261207Noon);
}

TEST(DaytimeAnswer, SkipsExactlyOneLeadingCharacterAndTheDayNumber) {
    // Without the line feed the first digit of the day number goes instead.
    EXPECT_EQ(parseDaytimeAnswer("60000 26-12-07 12:00:00"), k20261207Noon);
    EXPECT_EQ(parseDaytimeAnswer("\r\n60000 26-12-07 12:00:00"), k20261207Noon);
    // No day number at all.
    EXPECT_FALSE(parseDaytimeAnswer("\n26-12-07 12:00:00"));
    EXPECT_FALSE(parseDaytimeAnswer("\nMJD 26-12-07 12:00:00"));
}

TEST(DaytimeAnswer, RefusesOtherFormatsAndGarbage) {
    EXPECT_FALSE(parseDaytimeAnswer(""));
    EXPECT_FALSE(parseDaytimeAnswer("\n"));
    EXPECT_FALSE(parseDaytimeAnswer("garbage, not a time at all"));
    EXPECT_FALSE(parseDaytimeAnswer("Monday, December 7, 2026 12:00:00-UTC\r\n"));
    EXPECT_FALSE(parseDaytimeAnswer("\n60000 2026-12-07 12:00:00 UTC"));
    EXPECT_FALSE(parseDaytimeAnswer("\n60000 26/12/07 12:00:00"));
    EXPECT_FALSE(parseDaytimeAnswer("\n60000 26-12-07T12:00:00"));
    EXPECT_FALSE(parseDaytimeAnswer("\n60000 26-12-07 12.00.00"));
    EXPECT_FALSE(parseDaytimeAnswer("\n60000 26-12-07 12:00:00.5"));
    EXPECT_FALSE(parseDaytimeAnswer("\n60000 -6-12-07 12:00:00"));
}

// A single receive may bring only part of the answer; no prefix of it may
// set the clock from half-read fields.
TEST(DaytimeAnswer, EveryCutShortAnswerFails) {
    const std::string whole = "\n60000 26-12-07 12:00:05";
    for (size_t n = 0; n < whole.size(); ++n) {
        EXPECT_FALSE(parseDaytimeAnswer(whole.substr(0, n))) << n << " bytes";
    }
    EXPECT_TRUE(parseDaytimeAnswer(whole));
}

TEST(DaytimeAnswer, TheTextEndsAtItsFirstNul) {
    EXPECT_EQ(parseDaytimeAnswer(std::string("\n60000 26-12-07 12:00:00\0garbage", 32)),
              k20261207Noon);
    EXPECT_FALSE(
        parseDaytimeAnswer(std::string("\n60000 26-12-07 12:0\0"
                                       "0:00",
                                       24)));
}

TEST(DaytimeAnswer, FieldsOutOfRangeFail) {
    EXPECT_FALSE(parseDaytimeAnswer("\n60000 26-13-07 12:00:00"));
    EXPECT_FALSE(parseDaytimeAnswer("\n60000 26-00-07 12:00:00"));
    EXPECT_FALSE(parseDaytimeAnswer("\n60000 26-12-00 12:00:00"));
    EXPECT_FALSE(parseDaytimeAnswer("\n60000 26-12-32 12:00:00"));
    EXPECT_FALSE(parseDaytimeAnswer("\n60000 26-04-31 12:00:00"));
    EXPECT_FALSE(parseDaytimeAnswer("\n60000 27-02-29 12:00:00"));
    EXPECT_FALSE(parseDaytimeAnswer("\n60000 26-12-07 25:00:00"));
    EXPECT_FALSE(parseDaytimeAnswer("\n60000 26-12-07 24:00:00"));
    EXPECT_FALSE(parseDaytimeAnswer("\n60000 26-12-07 12:60:00"));
    EXPECT_FALSE(parseDaytimeAnswer("\n60000 26-12-07 12:00:61"));
}

TEST(DaytimeAnswer, LeapDayAndLeapSecondAreTimes) {
    EXPECT_EQ(parseDaytimeAnswer("\n61830 28-02-29 23:59:59"), 1835481599);
    // 23:59:60 is the second before the next day's midnight ends.
    EXPECT_EQ(parseDaytimeAnswer("\n61405 26-12-31 23:59:60"), 1798761600);
}

}  // namespace
}  // namespace tb
