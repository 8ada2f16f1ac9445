// A computer clock and zone that a test sets and changes at will.
#pragma once

#include <atomic>

#include "time_server/network_clock.h"

namespace tb::testing {

class FakeComputerClock : public ComputerClock {
  public:
    explicit FakeComputerClock(int64_t now, ComputerZone zone = {})
        : now_(now), offset_(zone.utcOffsetSeconds), daylight_(zone.daylight) {}

    int64_t nowUtc() override { return now_.load(); }
    ComputerZone zone() override { return {offset_.load(), daylight_.load()}; }

    void set(int64_t now) { now_ = now; }
    void setZone(ComputerZone zone) {
        offset_ = zone.utcOffsetSeconds;
        daylight_ = zone.daylight;
    }

  private:
    std::atomic<int64_t> now_;
    std::atomic<int32_t> offset_;
    std::atomic<bool> daylight_;
};

}  // namespace tb::testing
