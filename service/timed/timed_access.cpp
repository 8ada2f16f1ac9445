#include "service/timed/timed_access.h"

namespace tb {

TimedOutcome TimedAccess::read(ClockReading& reading) {
    if (!clock_) return {TimedOutcome::Kind::NoClock, 0};
    const int32_t status = clock_->getTime(reading);
    if (status != 0) return {TimedOutcome::Kind::ClockError, status};
    return TimedOutcome::done();
}

// A new date restarts the day's count. The new interval starts at the
// reading in hand rather than at a second one, so a clock that flips across
// midnight cannot keep the check going.
void TimedAccess::checkDay(const ClockReading& reading) {
    const BrokenDownTime& fields = reading.fields;
    const TimedSettings::Date today{static_cast<uint16_t>(fields.dayOfMonth),
                                    static_cast<uint16_t>(fields.month),
                                    static_cast<uint16_t>(fields.yearsSince1900)};
    if (settings_.usageDate == today) return;
    settings_.usageDate = today;
    settings_.usedToday = 0;
    settings_.intervalStart = static_cast<uint32_t>(reading.now);
}

TimedOutcome TimedAccess::startInterval() {
    ClockReading reading;
    TimedOutcome outcome = read(reading);
    if (!outcome.ok()) return outcome;
    settings_.intervalStart = static_cast<uint32_t>(reading.now);
    checkDay(reading);
    return outcome;
}

TimedOutcome TimedAccess::stopInterval() {
    ClockReading reading;
    TimedOutcome outcome = read(reading);
    if (!outcome.ok()) return outcome;
    if (settings_.intervalStart == 0) return outcome;  // no interval ever started
    settings_.usedToday =
        static_cast<int32_t>(static_cast<uint32_t>(settings_.usedToday) +
                             (static_cast<uint32_t>(reading.now) - settings_.intervalStart));
    return outcome;
}

TimedOutcome TimedAccess::addRefCount() {
    if (++browserCount_ == 1 && settings_.filterActive) return startInterval();
    return TimedOutcome::done();
}

TimedOutcome TimedAccess::decRefCount() {
    if (browserCount_ == 0) return TimedOutcome::done();
    if (--browserCount_ == 0 && settings_.filterActive) return stopInterval();
    return TimedOutcome::done();
}

TimedOutcome TimedAccess::startTimeLogging() {
    settings_.filterActive = 1;
    if (browserCount_ >= 1) return startInterval();
    return TimedOutcome::done();
}

TimedOutcome TimedAccess::stopTimeLogging() {
    settings_.filterActive = 0;
    if (browserCount_ >= 1) return stopInterval();
    return TimedOutcome::done();
}

TimedVerdict TimedAccess::checkTimedAccess() {
    TimedVerdict verdict;
    if (!settings_.timedAccessEnabled) {
        verdict.timeLeft = static_cast<int32_t>(kNoDailyLimit);
        return verdict;
    }
    ClockReading reading;
    verdict.outcome = read(reading);
    if (!verdict.outcome.ok()) return verdict;

    const uint32_t now = static_cast<uint32_t>(reading.now);
    // No interval yet (the service started with a browser already counted)
    // counts from now, not from the clock's epoch; a clock that went back
    // pulls the start back with it.
    if (settings_.intervalStart == 0 || now < settings_.intervalStart)
        settings_.intervalStart = now;
    checkDay(reading);

    // Calendar fields outside their ranges (a broken clock) must not index
    // past the tables: such a moment counts as outside the allowed hours.
    const int32_t weekday = reading.fields.weekday;
    const int32_t hour = reading.fields.hours;
    const bool validTime = weekday >= 0 && weekday < 7 && hour >= 0 && hour < 24;
    const uint32_t allowance = validTime ? settings_.dailyAllowance[weekday] : 0;

    settings_.usedToday = static_cast<int32_t>(static_cast<uint32_t>(settings_.usedToday) +
                                               (now - settings_.intervalStart));
    settings_.intervalStart = now;
    if (settings_.usedToday < 0)
        settings_.usedToday = 0;  // and the interval starts now, as it does

    if (static_cast<uint32_t>(settings_.usedToday) >= allowance) {
        verdict.err = validTime ? 1 : 2;
    } else if (!settings_.accessHours[weekday][hour]) {
        verdict.err = 2;
    }
    verdict.timeLeft =
        allowance == kNoDailyLimit
            ? static_cast<int32_t>(kNoDailyLimit)
            : static_cast<int32_t>(allowance - static_cast<uint32_t>(settings_.usedToday));
    return verdict;
}

}  // namespace tb
