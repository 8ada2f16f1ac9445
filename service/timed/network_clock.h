// The clock that timed access reads: the network time component's GetTime,
// a time value in seconds and the nine broken-down calendar fields. Only
// differences of time values are used, so their epoch does not matter.
#pragma once

#include <cstdint>

namespace tb {

struct BrokenDownTime {
    int32_t seconds = 0;
    int32_t minutes = 0;
    int32_t hours = 0;       // 0-23
    int32_t dayOfMonth = 1;  // 1-31
    int32_t month = 0;       // 0-11
    int32_t yearsSince1900 = 100;
    int32_t weekday = 0;  // 0 = Sunday
    int32_t dayOfYear = 0;
    int32_t daylight = 0;
};

struct ClockReading {
    int32_t now = 0;
    BrokenDownTime fields;
};

// A status of 0 is success; any other value is the component's own failure
// status, which the caller hands on unchanged.
class NetworkClock {
  public:
    virtual ~NetworkClock() = default;
    virtual int32_t getTime(ClockReading& out) = 0;
};

}  // namespace tb
