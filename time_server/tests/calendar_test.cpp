#include "time_server/calendar.h"

#include <gtest/gtest.h>

namespace tb {
namespace {

TEST(Calendar, BreaksKnownInstantsDownIntoTheRecord) {
    // 2026-12-07 12:00:00 UTC, a Monday, day 341 of the year (0-based 340).
    const CalendarFields f = calendarFields(1796644800);
    EXPECT_EQ(f.asArray(), (std::array<int32_t, 9>{0, 0, 12, 7, 11, 126, 1, 340, 0}));
    // The epoch itself, a Thursday.
    EXPECT_EQ(calendarFields(0).asArray(), (std::array<int32_t, 9>{0, 0, 0, 1, 0, 70, 4, 0, 0}));
    // The last second of a leap year is on day 365.
    const CalendarFields endOf2028 = calendarFields(1861919999);  // 2028-12-31 23:59:59
    EXPECT_EQ(endOf2028.yearDay, 365);
    EXPECT_EQ(endOf2028.day, 31);
    EXPECT_EQ(endOf2028.month, 11);
    EXPECT_EQ(calendarFields(0, 1).daylight, 1);
}

TEST(Calendar, Century2100IsNoLeapYear2000Is) {
    EXPECT_TRUE(isLeapYear(2000));
    EXPECT_FALSE(isLeapYear(2100));
    EXPECT_TRUE(isLeapYear(2028));
    EXPECT_FALSE(isLeapYear(2027));
    EXPECT_EQ(daysInMonth(2100, 2), 28);
    EXPECT_EQ(daysInMonth(2000, 2), 29);
    // 2100-03-01 follows 2100-02-28.
    const CalendarFields march = calendarFields(4107542400);
    EXPECT_EQ(march.day, 1);
    EXPECT_EQ(march.month, 2);
    EXPECT_EQ(march.weekday, 1);
    EXPECT_EQ(march.yearDay, 59);
}

TEST(Calendar, SecondsBeforeTheEpochBreakDownToTheDayBefore) {
    const CalendarFields f = calendarFields(-1);
    EXPECT_EQ(f.asArray(), (std::array<int32_t, 9>{59, 59, 23, 31, 11, 69, 3, 364, 0}));
}

// Every day from 1960 to 2110 converts both ways, and the weekday advances
// by one each day.
TEST(Calendar, DaysAndDatesRoundTripAcrossCenturies) {
    int64_t expectedDay = daysFromCivil(1960, 1, 1);
    int expectedWeekday = calendarFields(expectedDay * 86400).weekday;
    for (int64_t year = 1960; year < 2110; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= daysInMonth(year, month); ++day) {
                const int64_t d = daysFromCivil(year, month, day);
                ASSERT_EQ(d, expectedDay) << year << "-" << month << "-" << day;
                const CalendarFields f = calendarFields(d * 86400 + 43199);
                ASSERT_EQ(f.yearsSince1900, year - 1900);
                ASSERT_EQ(f.month, month - 1);
                ASSERT_EQ(f.day, day);
                ASSERT_EQ(f.weekday, expectedWeekday);
                ASSERT_EQ(f.hour, 11);
                ASSERT_EQ(f.minute, 59);
                ASSERT_EQ(f.second, 59);
                ++expectedDay;
                expectedWeekday = (expectedWeekday + 1) % 7;
            }
        }
    }
}

TEST(Calendar, SecondsFromCivilCarriesOverflowingFields) {
    EXPECT_EQ(secondsFromCivil(2026, 12, 7, 12, 0, 0), 1796644800);
    EXPECT_EQ(secondsFromCivil(2026, 12, 31, 23, 59, 60), 1798761600);
}

}  // namespace
}  // namespace tb
