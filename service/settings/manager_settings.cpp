#include "service/settings/manager_settings.h"

namespace tb::settings {

DayHours ManagerSettings::getAccessHours(int day) const {
    if (!validDay(day)) return DayHours{};
    return store_.settings().accessHours[day];
}

void ManagerSettings::setAccessHours(int day, const DayHours& hours) {
    if (validDay(day)) store_.settings().accessHours[day] = hours;
    store_.writeTimedAccess();
}

std::optional<int16_t> ManagerSettings::getTotalHours(int day) const {
    if (!validDay(day)) return std::nullopt;
    // Signed, so that what SetTotalHours stored comes back unchanged.
    return static_cast<int16_t>(static_cast<int32_t>(store_.settings().dailyAllowance[day]) / 3600);
}

void ManagerSettings::setTotalHours(int day, int16_t hours) {
    Settings& s = store_.settings();
    if (validDay(day)) s.dailyAllowance[day] = static_cast<uint32_t>(int32_t{hours} * 3600);
    s.usedToday = 0;
    hooks_.startCountingInterval();
    store_.writeTimedAccess();
}

std::optional<int16_t> ManagerSettings::getCategoryState(int category) const {
    const std::optional<int> slot = categorySlot(category);
    if (!slot) return std::nullopt;
    return static_cast<int16_t>(store_.settings().categoryStates[*slot]);
}

void ManagerSettings::setCategoryState(int category, int16_t state) {
    const std::optional<int> slot = categorySlot(category);
    if (!slot) return;
    store_.settings().categoryStates[*slot] = static_cast<uint16_t>(state);
    store_.writeCategories();
    hooks_.categoriesChanged();
}

std::optional<std::string> ManagerSettings::getTimezoneString() const {
    return store_.settings().timezoneName;
}

// A time-zone display name is short; a longer text is refused rather than
// kept and written to tbd.dat at every Save.
SettingsResult ManagerSettings::setTimezoneString(std::optional<std::string> text) {
    if (text && text->size() > kMaxTimezoneChars) return {SettingsStatus::TooLong};
    Settings& s = store_.settings();
    s.timezoneName = std::move(text);
    s.timezoneOffset = timezoneOffsetOf(s.timezoneName.value_or(""));
    const SettingsResult passed = store_.passOffsetToTimeServer();
    if (!passed.ok()) return passed;
    s.usedToday = 0;
    hooks_.startCountingInterval();
    store_.writeTimedAccess();
    return {};
}

int16_t ManagerSettings::getTimedAccess() const {
    return store_.settings().timedAccessEnabled;
}

void ManagerSettings::setTimedAccess(int16_t enabled) {
    store_.settings().timedAccessEnabled = enabled;
    store_.writeTimedAccess();
}

}  // namespace tb::settings
