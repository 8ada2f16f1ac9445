// Timed access: counting browsing time per day and answering whether the
// browser may go on. Every clock reading goes through the network clock, so
// changing the computer's clock does not give the child more time.
//
// Time is counted in two ways that add up: between consecutive
// checkTimedAccess calls, and from an interval's start (first browser while
// filtering is on, or startTimeLogging with a browser open) to its stop.
#pragma once

#include <array>
#include <cstdint>

#include "service/timed/network_clock.h"

namespace tb {

inline constexpr uint32_t kNoDailyLimit = 86400;

// The settings that timed access reads and changes. The settings store owns
// the record (it loads and saves all but intervalStart and filterActive).
struct TimedSettings {
    struct Date {
        uint16_t dayOfMonth = 1;
        uint16_t month = 0;  // 0-11
        uint16_t yearsSince1900 = 100;
        bool operator==(const Date& o) const {
            return dayOfMonth == o.dayOfMonth && month == o.month &&
                   yearsSince1900 == o.yearsSince1900;
        }
    };

    TimedSettings() {
        for (auto& day : accessHours) day.fill(1);
        dailyAllowance.fill(kNoDailyLimit);
    }

    std::array<std::array<uint16_t, 24>, 7> accessHours;  // [weekday][hour], non-zero = allowed
    std::array<uint32_t, 7> dailyAllowance;               // seconds, Sunday first
    int32_t usedToday = 0;
    Date usageDate;
    uint32_t intervalStart = 0;
    uint16_t timedAccessEnabled = 1;
    uint16_t filterActive = 0;
};

// What an operation that may read the clock came to.
struct TimedOutcome {
    enum class Kind { Done, NoClock, ClockError };
    Kind kind = Kind::Done;
    int32_t clockStatus = 0;  // the clock's failure status for ClockError

    bool ok() const { return kind == Kind::Done; }
    static TimedOutcome done() { return {}; }
};

struct TimedVerdict {
    TimedOutcome outcome;
    int32_t err = 0;       // 0 go on, 1 allowance used up, 2 hour not allowed
    int32_t timeLeft = 0;  // seconds left today, 86400 = no limit
};

class TimedAccess {
  public:
    // clock may be null (the time component could not be made): every
    // operation that must read it then fails with NoClock.
    TimedAccess(TimedSettings& settings, NetworkClock* clock)
        : settings_(settings), clock_(clock) {}

    void setClock(NetworkClock* clock) { clock_ = clock; }
    uint32_t browserCount() const { return browserCount_; }

    TimedOutcome addRefCount();
    TimedOutcome decRefCount();
    TimedOutcome startTimeLogging();
    TimedOutcome stopTimeLogging();
    TimedVerdict checkTimedAccess();

    // A new counting interval from now, with the day check. Also used when
    // the allowance or the time zone changes.
    TimedOutcome startInterval();

  private:
    TimedOutcome read(ClockReading& reading);
    TimedOutcome stopInterval();
    void checkDay(const ClockReading& reading);

    TimedSettings& settings_;
    NetworkClock* clock_;
    uint32_t browserCount_ = 0;
};

}  // namespace tb
