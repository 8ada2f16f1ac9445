// The two streams of the settings file tbd.dat, little-endian, field after
// field with no header or padding:
//   "TA":  accessHours (7 x 24 u16, Sunday hour 0 first), dailyAllowance
//          (7 u32), usedToday (32-bit), usageDate (3 u16: day, month,
//          years since 1900), n (u32, bytes of the time-zone text in UTF-16
//          with its terminating zero unit; 0 = no text), the text,
//          timedAccessEnabled (16-bit): 380 + n bytes.
//   "Cat": the six category switches (u16) in list order D to I.
// Reading goes field by field: a stream that ends early, or whose text
// length runs past its end, leaves the fields it does not hold as they were.
#pragma once

#include <cstdint>
#include <vector>

#include "service/settings/settings.h"
#include "service/storage/code_page.h"

namespace tb::settings {

inline constexpr char kSettingsFile[] = "tbd.dat";
inline constexpr char kTimedAccessStream[] = "TA";
inline constexpr char kCategoryStream[] = "Cat";

std::vector<uint8_t> encodeTimedAccess(const Settings& settings, const storage::CodePage& codePage);
// True when a time-zone text was read (timezoneOffset is not touched here).
bool decodeTimedAccess(const std::vector<uint8_t>& bytes, Settings& settings,
                       const storage::CodePage& codePage);

std::vector<uint8_t> encodeCategories(const Settings& settings);
void decodeCategories(const std::vector<uint8_t>& bytes, Settings& settings);

}  // namespace tb::settings
