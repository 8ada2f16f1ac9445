// The computer's clock as the service's settings need it: the time in
// seconds since 1970 (UTC) and today's local date.
#pragma once

#include <cstdint>

namespace tb::settings {

struct LocalDate {
    int dayOfMonth = 1;  // 1-31
    int month = 0;       // 0-11
    int yearsSince1900 = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual int64_t now() const = 0;
    virtual LocalDate today() const = 0;
};

// The C library's clock and local time.
class SystemClock : public Clock {
  public:
    int64_t now() const override;
    LocalDate today() const override;
};

}  // namespace tb::settings
