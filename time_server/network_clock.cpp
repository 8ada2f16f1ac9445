#include "time_server/network_clock.h"

#include <cmath>

namespace tb {

void ZoneChoice::choose(float hours) {
    std::lock_guard<std::mutex> hold(lock_);
    hours_ = hours;
}

std::optional<float> ZoneChoice::chosen() const {
    std::lock_guard<std::mutex> hold(lock_);
    return hours_;
}

int32_t offsetSeconds(float hours) {
    if (!std::isfinite(hours)) return 0;
    if (hours > 24.0f) hours = 24.0f;
    if (hours < -24.0f) hours = -24.0f;
    return static_cast<int32_t>(hours * 3600.0f);
}

LocalShift localShift(std::optional<float> chosenHours, const ComputerZone& computer) {
    LocalShift shift;
    shift.daylight = computer.daylight ? 1 : 0;
    if (chosenHours) {
        shift.seconds = offsetSeconds(*chosenHours) + (computer.daylight ? 3600 : 0);
    } else {
        shift.seconds = computer.utcOffsetSeconds;
    }
    return shift;
}

NetworkClock::NetworkClock(std::shared_ptr<ComputerClock> computer,
                           std::shared_ptr<const ZoneChoice> zone)
    : computer_(std::move(computer)), zone_(std::move(zone)), seconds_(computer_->nowUtc()) {}

void NetworkClock::advance() {
    std::lock_guard<std::mutex> hold(lock_);
    seconds_ += kTickSeconds;
}

void NetworkClock::synchronise(int64_t utcSeconds) {
    std::lock_guard<std::mutex> hold(lock_);
    seconds_ = utcSeconds;
}

int64_t NetworkClock::heldSeconds() const {
    std::lock_guard<std::mutex> hold(lock_);
    return seconds_;
}

TimeReading NetworkClock::read() const {
    const LocalShift shift = localShift(zone_->chosen(), computer_->zone());
    const int64_t seconds = heldSeconds();
    TimeReading reading;
    // The 32-bit value wraps in 2038 as the record's type does; the fields
    // are worked out from the full count.
    reading.value = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(seconds)));
    reading.fields = calendarFields(seconds + shift.seconds, shift.daylight);
    return reading;
}

}  // namespace tb
