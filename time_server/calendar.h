// Calendar arithmetic on seconds since 1 January 1970, proleptic Gregorian,
// with no time zone of its own: the caller shifts the seconds into the zone
// it wants before breaking them down.
#pragma once

#include <array>
#include <cstdint>

namespace tb {

// The broken-down time record that crosses to the service, field for field:
// month 0-11, years since 1900, weekday 0 = Sunday, day of year 0-365.
struct CalendarFields {
    int32_t second = 0;
    int32_t minute = 0;
    int32_t hour = 0;
    int32_t day = 1;
    int32_t month = 0;
    int32_t yearsSince1900 = 70;
    int32_t weekday = 4;
    int32_t yearDay = 0;
    int32_t daylight = 0;

    std::array<int32_t, 9> asArray() const {
        return {second, minute, hour, day, month, yearsSince1900, weekday, yearDay, daylight};
    }
};

bool isLeapYear(int64_t year);
// month 1-12.
int daysInMonth(int64_t year, int month);

// Days from 1970-01-01 to the date (month 1-12, day 1-31); negative before.
int64_t daysFromCivil(int64_t year, int month, int day);

// Seconds since 1970 of the given calendar time read as UTC. The fields are
// not checked; the caller validates them.
int64_t secondsFromCivil(int64_t year, int month, int day, int hour, int minute, int second);

// The seconds broken down into calendar fields; the daylight flag is the
// caller's.
CalendarFields calendarFields(int64_t seconds, int32_t daylight = 0);

}  // namespace tb
