// Fakes of the seams that the settings core reaches: the time component,
// the hooks into other parts of the service, the clock and the word table's
// two entries.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "service/settings/clock.h"
#include "service/settings/filter_switch.h"
#include "service/settings/manager_settings.h"
#include "service/settings/password.h"

namespace tb::settings::testing {

class FakeTimeServer : public TimeServerLink {
  public:
    long setTimezoneOffset(float hours) override {
        offsets.push_back(hours);
        return answer;
    }
    std::vector<float> offsets;
    long answer = 0;
};

class RecordingSettingsHooks : public SettingsHooks {
  public:
    void startCountingInterval() override { ++intervals; }
    void categoriesChanged() override { ++categoryReloads; }
    int intervals = 0;
    int categoryReloads = 0;
};

class FixedClock : public Clock {
  public:
    int64_t now() const override { return seconds; }
    LocalDate today() const override { return date; }
    int64_t seconds = 1000000000;
    LocalDate date{5, 2, 124};  // 5 March 2024
};

class MemoryPasswordEntries : public PasswordEntries {
  public:
    std::optional<std::string> password() const override { return passwordEntry; }
    void setPassword(std::optional<std::string> p) override { passwordEntry = std::move(p); }
    std::optional<std::string> filterSwitch() const override { return switchEntry; }
    void setFilterSwitch(const std::string& value) override { switchEntry = value; }

    std::optional<std::string> passwordEntry = std::string();
    std::optional<std::string> switchEntry = std::string("t");
};

class RecordingSwitchHooks : public FilterSwitchHooks {
  public:
    void filterOn(bool on) override { hookCalls.push_back(on); }
    void showFilterIcon(bool on) override { icons.push_back(on ? 206 : 208); }
    void writeWordFile() override { ++wordFileWrites; }
    std::vector<bool> hookCalls;
    std::vector<int> icons;
    int wordFileWrites = 0;
};

}  // namespace tb::settings::testing
