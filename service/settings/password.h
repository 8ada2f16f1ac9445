// The parent's password: checking, setting and changing it, the lock-out
// after wrong tries, its copy in the registry, and the daily master code.
//
// The password lives in the word table (its entry beside the filter
// switch) and reaches disk with the word file; the registry keeps a copy
// encoded under the default list key. Passwords are compared in lower case
// and by their first kPasswordLength characters only, everywhere: what is
// typed into the Manager, the tray's password dialog and TBOn is cut the
// same way, so a long password set in one place is accepted in the others.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/registry.h"
#include "service/dialogs/service_dialogs.h"
#include "service/settings/clock.h"

namespace tb::settings {

inline constexpr size_t kPasswordLength = 47;
inline constexpr size_t kPasswordInputLimit = 259;
// A first character of this code asks for the password to be replaced by
// the text after it; alone it asks whether a password is set.
inline constexpr char kChangeMarker = '\xFE';
inline constexpr int kWrongTriesAllowed = 5;
// How long after the password was verified the change marker may replace
// it. The Manager sends the new password right after the old one was
// accepted; without a bound any script could replace a password it never
// knew.
inline constexpr int64_t kChangeWindowSeconds = 120;

// The two entries of the word table that the password rules use.
class PasswordEntries {
  public:
    virtual ~PasswordEntries() = default;
    // nullopt: no password is set. The empty text is a set, empty password.
    virtual std::optional<std::string> password() const = 0;
    virtual void setPassword(std::optional<std::string> password) = 0;
    // "t" filtering on, "f" off; nullopt when the entry is absent.
    virtual std::optional<std::string> filterSwitch() const = 0;
    virtual void setFilterSwitch(const std::string& value) = 0;
};

// The part of a password that counts.
inline std::string passwordForm(std::string_view text) {
    return std::string(text.substr(0, kPasswordLength));
}
inline bool samePassword(std::string_view a, std::string_view b) {
    return passwordForm(a) == passwordForm(b);
}

// Six lower-case letters for the date: month (01-12), day (01-31) and
// (100 - years since 1900) modulo 100, each as two digits, every digit
// replaced by its letter of a ten-letter table.
std::string masterCode(const LocalDate& date);

// The text of the lock-out dialog, with the support address.
std::string lockOutMessage();

struct VerifyOutcome {
    bool completed = true;         // false: the call answers S_FALSE
    std::optional<bool> verified;  // nullopt: left unset
};

class PasswordKeeper {
  public:
    PasswordKeeper(PasswordEntries& entries, Registry& registry, dialogs::ServiceDialogs& dialogs,
                   const Clock& clock)
        : entries_(entries), registry_(registry), dialogs_(dialogs), clock_(clock) {}

    // Checks, sets or changes the password (the text as typed).
    VerifyOutcome verifyPassword(std::string_view typed, bool listsReady);

    // Start-up: moves a legacy plain copy into the product key, reads the
    // registry copy and reconciles the word-table entry with it.
    void loadPassword();
    // With a new password: the same first steps, then the new password is
    // written over an existing registry copy (nothing is written when there
    // is none). The word-table entry is the caller's to set.
    void loadPassword(std::string_view newPassword);

    bool isMasterCode(std::string_view lowerText) const {
        return lowerText == masterCode(clock_.today());
    }
    // The check of the tray's password dialog: no count, no dialog.
    bool matches(std::string_view typed) const;

    int wrongPasswordCount() const { return wrongPasswordCount_; }
    // Every load of the lists starts the count again.
    void resetWrongPasswordCount() { wrongPasswordCount_ = 0; }

  private:
    std::optional<std::string> registryPassword();
    void showLockOut();
    void countWrongTry();
    // Absent or the empty text.
    bool noPasswordSet() const;
    // The set password was verified within the change window.
    bool verifiedRecently() const;

    PasswordEntries& entries_;
    Registry& registry_;
    dialogs::ServiceDialogs& dialogs_;
    const Clock& clock_;
    int wrongPasswordCount_ = 0;
    std::optional<int64_t> verifiedAt_;  // when a set password was last verified
};

}  // namespace tb::settings
