// The password fields of the service's own dialogs: the password dialog of
// the tray's On/Off command and the uninstall dialog. Wrong entries in them
// are not counted towards the lock-out of VerifyPassword.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tb {

// The field holds at most 49 characters; passwords compare in lower case.
inline constexpr size_t kDialogPasswordLength = 49;
// Passwords are compared on their first 47 characters everywhere (TBOn
// works on no more), so a long password set in one place is accepted in
// every other.
inline constexpr size_t kComparedPasswordLength = 47;

std::string typedPassword(const std::string& fieldText);

// The typed text against the password entry (absent: no password set).
bool matchesPasswordEntry(const std::string& typed,
                          const std::optional<std::string>& passwordEntry);

// OK of the uninstall dialog: the password, or otherwise today's master code.
bool uninstallPasswordAccepted(const std::string& fieldText,
                               const std::optional<std::string>& passwordEntry,
                               const std::function<bool(const std::string&)>& isMasterCode);

// The uninstall dialog's second text: how to reach the vendor's support
// when the password is forgotten.
std::string uninstallSupportText();

}  // namespace tb
