#include "service/settings/filter_switch.h"

#include "common/ansi_text.h"

namespace tb::settings {

namespace {

// A switch that is neither "t" nor "f" becomes "t"; the icon shows the state.
bool settleSwitch(PasswordEntries& entries, FilterSwitchHooks& hooks) {
    std::optional<std::string> now = entries.filterSwitch();
    if (now && *now != "t" && *now != "f") {
        entries.setFilterSwitch("t");
        now = "t";
    }
    const bool on = !(now && *now != "t");
    hooks.showFilterIcon(on);
    return on;
}

}  // namespace

bool toggleFilter(PasswordEntries& entries, std::string text, FilterSwitchHooks& hooks) {
    text = passwordForm(text);
    const std::optional<std::string> entry = entries.password();
    const std::optional<std::string> state = entries.filterSwitch();
    if (text == "*" && state == std::string("f") && entry) text = *entry;
    if (entry && samePassword(text, *entry))
        entries.setFilterSwitch(state == std::string("t") ? "f" : "t");
    return settleSwitch(entries, hooks);
}

bool tbOn(PasswordEntries& entries, FilterSwitchHooks& hooks, std::string_view password,
          bool listsReady, bool listsCorrupt) {
    if (listsCorrupt || !listsReady) return true;
    const bool on = toggleFilter(entries, lowered(cString(password)), hooks);
    hooks.filterOn(on);
    hooks.writeWordFile();
    return on;
}

bool filterStateAtLoad(PasswordEntries& entries, FilterSwitchHooks& hooks, bool listsReady,
                       bool listsCorrupt) {
    if (listsCorrupt || !listsReady) return true;
    const bool on = settleSwitch(entries, hooks);
    hooks.filterOn(on);
    hooks.writeWordFile();
    return on;
}

}  // namespace tb::settings
