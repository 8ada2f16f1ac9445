#include <gtest/gtest.h>

#include "time_server/daytime_answer.h"
#include "tools/browser_host/daytime_text.h"

namespace tb::host {
namespace {

// The time component must read back exactly the time the stand-in meant,
// across a day, a month's end and a leap day.
TEST(DaytimeText, TheTimeComponentReadsBackTheTimeItWasGiven) {
    // 2026-12-07 12:00:00 UTC is modified Julian day 61381.
    EXPECT_EQ(daytimeText(1796644800), "\n61381 26-12-07 12:00:00 00 0 0 50.0 UTC(NIST) *\n");
    for (int64_t t : {int64_t{1796644800}, int64_t{1796644800 + 86399}, int64_t{1798761599},
                      int64_t{1835395200}, int64_t{946684800}}) {
        EXPECT_EQ(parseDaytimeAnswer(daytimeText(t)), t) << daytimeText(t);
    }
}

}  // namespace
}  // namespace tb::host
