// The answer of a daytime server in the format the time server speaks:
//   "\n60000 26-12-07 12:00:00 00 0 0 50.0 UTC(NIST) *"
// one leading character, the modified Julian day, then YY-MM-DD hh:mm:ss in
// UTC, then fields that are not used.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tb {

// The most a query reads of an answer.
inline constexpr size_t kDaytimeAnswerLimit = 100;

// Seconds since 1970 (UTC) of the time in the answer; the two-digit year
// means 2000-2099. nullopt for anything that is not a whole answer: another
// format, an answer cut short, a date or time out of range. The text ends
// at its first NUL.
std::optional<int64_t> parseDaytimeAnswer(std::string_view answer);

}  // namespace tb
