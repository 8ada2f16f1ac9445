#include "browser_helper/time_warning.h"

namespace tb::helper {

namespace {

constexpr int kMinutesLeft = 103;
constexpr int kSecondsLeft = 104;

double minutesOf(int32_t secondsLeft) {
    // Divided rather than multiplied by 1/60: 1800 s must be exactly 30 minutes.
    return static_cast<double>(secondsLeft) / 60.0;
}

// wsprintf's %d gets the value through single precision, cut toward zero.
int shownNumber(double value) {
    return static_cast<int>(static_cast<float>(value));
}

}  // namespace

TimeBand bandFor(int32_t secondsLeft) {
    const double minutes = minutesOf(secondsLeft);
    if (minutes > 30) return TimeBand::None;
    if (minutes > 10) return TimeBand::A;
    if (minutes > 5) return TimeBand::B;
    if (minutes > 1) return TimeBand::C;
    return TimeBand::D;
}

std::optional<TimedMessage> WarningBands::next(int32_t secondsLeft) {
    const TimeBand band = bandFor(secondsLeft);
    if (band == TimeBand::None) {
        warned_.fill(0);
        return std::nullopt;
    }
    const size_t index = static_cast<size_t>(band) - 1;
    if (warned_[index]) return std::nullopt;
    warned_.fill(0);
    warned_[index] = 1;
    TimedMessage message;
    if (band == TimeBand::D) {
        message.stringId = kSecondsLeft;
        message.number = shownNumber(secondsLeft);
    } else {
        message.stringId = kMinutesLeft;
        message.number = shownNumber(minutesOf(secondsLeft));
    }
    return message;
}

bool WarningBands::warned(TimeBand band) const {
    return band != TimeBand::None && warned_[static_cast<size_t>(band) - 1] != 0;
}

}  // namespace tb::helper
