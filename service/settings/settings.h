// The settings the parent sets, held by the service: access hours, daily
// allowances, the day's usage, the time zone, the timed-access switch and
// the category switches, with the values a new service starts from.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tb::settings {

inline constexpr int kDays = 7;  // eDAY, Sunday first
inline constexpr int kHoursPerDay = 24;
inline constexpr int kCategories = 6;  // eCATEGORY
inline constexpr uint32_t kNoDailyLimit = 86400;
inline constexpr char kDefaultTimezone[] = "(GMT-08:00) Pacific Time (US & Canada); Tijuana";

using DayHours = std::array<uint16_t, kHoursPerDay>;

struct UsageDate {
    uint16_t dayOfMonth = 1;
    uint16_t month = 0;  // 0-11
    uint16_t yearsSince1900 = 100;
    bool operator==(const UsageDate& o) const {
        return dayOfMonth == o.dayOfMonth && month == o.month && yearsSince1900 == o.yearsSince1900;
    }
};

struct Settings {
    // Non-zero: browsing allowed in that hour of that weekday.
    std::array<DayHours, kDays> accessHours;
    // Allowed browsing seconds per weekday; kNoDailyLimit means no limit.
    std::array<uint32_t, kDays> dailyAllowance;
    int32_t usedToday = 0;      // seconds counted on usageDate
    int32_t intervalStart = 0;  // start of the counting interval; not stored
    UsageDate usageDate;
    std::optional<std::string> timezoneName = std::string(kDefaultTimezone);  // nullopt: no text
    float timezoneOffset = -8.0f;  // hours, parsed from timezoneName
    int16_t filterActive = 0;      // filtering on and time counted
    int16_t timedAccessEnabled = 1;
    // One switch per category list D to I, in that order: the fifth is hate
    // speech and the sixth satanic (see categorySlot).
    std::array<uint16_t, kCategories> categoryStates;

    Settings();
};

// The slot of an eCATEGORY value in categoryStates (and in the "Cat"
// stream and the list files D to I): the enumeration's satanic (4) and hate
// speech (5) change places. nullopt outside 0-5.
std::optional<int> categorySlot(int category);

// "(GMT+hh:mm) name", "(GMT-hh:mm) name" or "(GMT) name" to hours east of
// GMT: 30, 15 and 45 minutes add a half, a quarter and three quarters;
// other minutes add nothing. Text of another form gives 0.
float timezoneOffsetOf(std::string_view text);

}  // namespace tb::settings
