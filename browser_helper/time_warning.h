// The warning before browsing time runs out: four bands of time left, each
// warned once on the way down. Rising above 30 minutes (a new day) re-arms
// them all; entering a band re-arms the other three.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "browser_helper/seams.h"

namespace tb::helper {

enum class TimeBand { None, A, B, C, D };

// None above 30 minutes, A up to 30, B up to 10, C up to 5, D up to 1.
TimeBand bandFor(int32_t secondsLeft);

class WarningBands {
  public:
    // The message to show now for this much time left, if any; remembers
    // that its band has been warned.
    std::optional<TimedMessage> next(int32_t secondsLeft);
    bool warned(TimeBand band) const;

  private:
    std::array<int32_t, 4> warned_{};  // bands A to D
};

}  // namespace tb::helper
