// parseDaytimeAnswer on arbitrary bytes: no crash; whatever it accepts is a
// time of 2000-2099 (or the leap second after) that breaks down into the fields the answer named.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "time_server/calendar.h"
#include "time_server/daytime_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4 * tb::kDaytimeAnswerLimit) return 0;
    const std::string answer(reinterpret_cast<const char*>(data), size);
    const auto seconds = tb::parseDaytimeAnswer(answer);
    if (!seconds) return 0;
    // 2000-01-01 00:00:00 up to 2100-01-01 00:00:00, which a leap second at
    // the end of 2099 reaches.
    if (*seconds < 946684800 || *seconds > 4102444800) __builtin_trap();
    if (*seconds == 4102444800) return 0;

    // Written back in the server's format, the time reads the same again.
    const tb::CalendarFields f = tb::calendarFields(*seconds);
    char again[64];
    std::snprintf(again, sizeof again, "\n1 %02d-%02d-%02d %02d:%02d:%02d", f.yearsSince1900 - 100, f.month + 1, f.day,
                  f.hour, f.minute, f.second);
    if (tb::parseDaytimeAnswer(again) != seconds) __builtin_trap();
    return 0;
}
