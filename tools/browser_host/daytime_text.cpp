#include "tools/browser_host/daytime_text.h"

#include <cstdio>

#include "time_server/calendar.h"

namespace tb::host {

namespace {
// The modified Julian day of 1 January 1970.
constexpr int64_t kMjdOf1970 = 40587;
constexpr int64_t kSecondsPerDay = 86400;

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
}  // namespace

std::string daytimeText(int64_t utcSeconds) {
    const CalendarFields f = calendarFields(utcSeconds);
    char text[80];
    std::snprintf(text, sizeof text, "\n%05lld %02d-%02d-%02d %02d:%02d:%02d 00 0 0 50.0 UTC(NIST) *\n",
                  static_cast<long long>(kMjdOf1970 + floorDiv(utcSeconds, kSecondsPerDay)),
                  (f.yearsSince1900 + 1900) % 100, f.month + 1, f.day, f.hour, f.minute, f.second);
    return text;
}

}  // namespace tb::host
