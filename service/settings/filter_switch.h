// Filtering on and off: the switch entry of the word table flips only for
// the password; "*" switches filtering on without it, never off.
#pragma once

#include <string>
#include <string_view>

#include "service/dialogs/service_dialogs.h"
#include "service/settings/password.h"

namespace tb::settings {

// What follows a change of the filter state elsewhere in the service.
class FilterSwitchHooks {
  public:
    virtual ~FilterSwitchHooks() = default;
    // THFilterOn of the hook library.
    virtual void filterOn(bool on) = 0;
    // The tray icon: 206 on, 208 off.
    virtual void showFilterIcon(bool on) = 0;
    // Stores the switch with the word file.
    virtual void writeWordFile() = 0;
};

// `text` is lower case. Returns whether filtering is on afterwards.
bool toggleFilter(PasswordEntries& entries, std::string text, FilterSwitchHooks& hooks);

// TBOn: on while the lists are not loaded or corrupt, without touching
// anything; otherwise switches for the password, tells the hook library and
// stores the switch. An empty text only asks (unless the password is empty).
bool tbOn(PasswordEntries& entries, FilterSwitchHooks& hooks, std::string_view password,
          bool listsReady, bool listsCorrupt);

// The state at the end of Load: what TBOn with the empty text reports, but
// never a switch. (With an empty password TBOn("") flips the state, and
// every start of the service would turn filtering off or on.)
bool filterStateAtLoad(PasswordEntries& entries, FilterSwitchHooks& hooks, bool listsReady,
                       bool listsCorrupt);

// The About dialog.
inline void about(dialogs::ServiceDialogs& dialogs) {
    dialogs.show(IDD_ABOUT);
}

}  // namespace tb::settings
