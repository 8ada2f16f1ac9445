// What the Manager reads and changes of the settings: access hours, daily
// totals, category switches, the time zone and the timed-access switch.
// Each setter writes its stream at once; a file that cannot be written
// changes nothing of the answer.
#pragma once

#include <optional>
#include <string>

#include "service/settings/settings_store.h"

namespace tb::settings {

// What other parts of the service do when a setting changes.
class SettingsHooks {
  public:
    virtual ~SettingsHooks() = default;
    // usedToday was reset: a new counting interval starts (timed access).
    virtual void startCountingInterval() = 0;
    // A category switch changed: rebuild the category words of the word
    // table and load the password again into the rebuilt table.
    virtual void categoriesChanged() = 0;
};

class ManagerSettings {
  public:
    ManagerSettings(SettingsStore& store, SettingsHooks& hooks) : store_(store), hooks_(hooks) {}

    // The day's 24 values as stored; all 0 for a day outside 0-6.
    DayHours getAccessHours(int day) const;
    // A day outside 0-6 changes nothing; "TA" is written in any case.
    void setAccessHours(int day, const DayHours& hours);

    // The allowance in whole hours; nullopt for a day outside 0-6.
    std::optional<int16_t> getTotalHours(int day) const;
    // Also resets usedToday and starts a new interval, for any day.
    void setTotalHours(int day, int16_t hours);

    // By eCATEGORY; nullopt outside 0-5.
    std::optional<int16_t> getCategoryState(int category) const;
    void setCategoryState(int category, int16_t state);

    std::optional<std::string> getTimezoneString() const;
    // Parses the offset and passes it to the time component; only when it
    // took it are usedToday reset and "TA" written (the text is held
    // either way).
    SettingsResult setTimezoneString(std::optional<std::string> text);

    int16_t getTimedAccess() const;
    void setTimedAccess(int16_t enabled);

  private:
    static bool validDay(int day) { return day >= 0 && day < kDays; }

    SettingsStore& store_;
    SettingsHooks& hooks_;
};

}  // namespace tb::settings
