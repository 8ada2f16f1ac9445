// The clock of one TimeServer: a count of seconds that starts from the
// computer's clock, advances only by the ticker's steps and is replaced by
// each synchronisation with a time server; and its calendar fields in the
// zone the parent chose.
//
// The held value is always seconds since 1970 in UTC: from the computer at
// construction, from the server after a synchronisation. The calendar
// fields are worked out from it whenever the time is read, with the zone
// that holds at that moment (the chosen offset, one hour more while the
// computer is on daylight-saving time; the computer's own zone until an
// offset is chosen), so they are the chosen zone's local time before and
// after every synchronisation and follow a new offset at once, while the
// value never jumps by a zone change.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "time_server/calendar.h"

namespace tb {

// The computer's own clock and zone: a seam, so that tests can set and
// change the computer's time.
struct ComputerZone {
    int32_t utcOffsetSeconds = 0;  // local = UTC + offset, daylight saving included
    bool daylight = false;         // the computer is on daylight-saving time now
};

class ComputerClock {
  public:
    virtual ~ComputerClock() = default;
    virtual int64_t nowUtc() = 0;  // seconds since 1970
    virtual ComputerZone zone() = 0;
};

// The time zone the parent chose, in hours to add to UTC. One per process:
// every TimeServer of the process reads the same choice.
class ZoneChoice {
  public:
    void choose(float hours);
    std::optional<float> chosen() const;

  private:
    mutable std::mutex lock_;
    std::optional<float> hours_;
};

// Seconds to add to UTC for an offset in hours, truncated toward zero. An
// offset that is not a number counts as 0; one beyond a day is held at a day.
int32_t offsetSeconds(float hours);

struct LocalShift {
    int64_t seconds = 0;
    int32_t daylight = 0;
};

// The zone the calendar fields are shown in: the chosen offset, one hour
// more while the computer is on daylight-saving time; without a choice the
// computer's own zone.
LocalShift localShift(std::optional<float> chosenHours, const ComputerZone& computer);

// What GetTime hands out.
struct TimeReading {
    int32_t value = 0;  // the held seconds, cut to 32 bits
    CalendarFields fields;
};

class NetworkClock {
  public:
    // Seconds the ticker adds per step.
    static constexpr int64_t kTickSeconds = 5;

    NetworkClock(std::shared_ptr<ComputerClock> computer, std::shared_ptr<const ZoneChoice> zone);

    // One ticker step.
    void advance();
    // A successful synchronisation: the server's time, seconds since 1970 UTC.
    void synchronise(int64_t utcSeconds);

    TimeReading read() const;
    int64_t heldSeconds() const;

  private:
    std::shared_ptr<ComputerClock> computer_;
    std::shared_ptr<const ZoneChoice> zone_;
    mutable std::mutex lock_;
    int64_t seconds_;
};

}  // namespace tb
