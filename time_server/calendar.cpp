#include "time_server/calendar.h"

namespace tb {
namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Division that rounds toward minus infinity, for dates before 1970.
int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t floorMod(int64_t a, int64_t b) {
    return a - floorDiv(a, b) * b;
}

}  // namespace

bool isLeapYear(int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int64_t year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Counts in eras of 400 years (146097 days) with years starting on 1 March,
// so that the leap day falls at the end of the counting year.
int64_t daysFromCivil(int64_t year, int month, int day) {
    const int64_t y = month <= 2 ? year - 1 : year;
    const int64_t era = floorDiv(y, 400);
    const int64_t yearOfEra = y - era * 400;                           // 0..399
    const int64_t monthFromMarch = month > 2 ? month - 3 : month + 9;  // 0..11
    const int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;  // 719468: days from 0000-03-01 to 1970-01-01
}

int64_t secondsFromCivil(int64_t year, int month, int day, int hour, int minute, int second) {
    return daysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

CalendarFields calendarFields(int64_t seconds, int32_t daylight) {
    const int64_t days = floorDiv(seconds, kSecondsPerDay);
    const int64_t inDay = seconds - days * kSecondsPerDay;

    const int64_t z = days + 719468;
    const int64_t era = floorDiv(z, 146097);
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    const int month =
        static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);

    CalendarFields f;
    f.second = static_cast<int32_t>(inDay % 60);
    f.minute = static_cast<int32_t>(inDay / 60 % 60);
    f.hour = static_cast<int32_t>(inDay / 3600);
    f.day = day;
    f.month = month - 1;
    f.yearsSince1900 = static_cast<int32_t>(year - 1900);
    f.weekday = static_cast<int32_t>(floorMod(days + 4, 7));  // 1970-01-01 was a Thursday
    f.yearDay = static_cast<int32_t>(days - daysFromCivil(year, 1, 1));
    f.daylight = daylight;
    return f;
}

}  // namespace tb
