#include "service/settings/password.h"

#include "common/ansi_text.h"
#include "common/list_encoding.h"
#include "common/vendor_endpoints.h"
#include "service/settings/product_key.h"

namespace tb::settings {
namespace {

constexpr char kMasterCodeLetters[] = "qmzkhxwtjv";
static_assert(sizeof(kMasterCodeLetters) == 11, "one letter per digit");

// Registry texts are read up to 260 bytes with the terminator.
std::string registryText(const std::string& value) {
    return std::string(cString(value).substr(0, 259));
}

void appendTwoDigits(std::string& code, int value) {
    code.push_back(kMasterCodeLetters[(value / 10) % 10]);
    code.push_back(kMasterCodeLetters[value % 10]);
}

}  // namespace

std::string masterCode(const LocalDate& date) {
    std::string code;
    appendTwoDigits(code, date.month + 1);
    appendTwoDigits(code, date.dayOfMonth);
    appendTwoDigits(code, ((100 - date.yearsSince1900) % 100 + 100) % 100);
    return code;
}

std::string lockOutMessage() {
    return std::string(
               "You have entered more than 5 incorrect passwords.  Please restart your machine and "
               "try again or "
               "if you have forgotten your password please contact Orvane technical support via "
               "e-mail at: \"") +
           vendor::kSupportEmail + "\"";
}

void PasswordKeeper::showLockOut() {
    dialogs_.show(IDD_LOCKED_OUT, {{IDC_DIALOG_TEXT, lockOutMessage()}});
}

VerifyOutcome PasswordKeeper::verifyPassword(std::string_view typed, bool listsReady) {
    std::string text = lowered(cString(typed).substr(0, kPasswordInputLimit));
    if (isMasterCode(text)) {
        dialogs_.show(IDD_UNINSTALL);
        return {false, std::nullopt};
    }
    if (!listsReady) return {false, false};
    if (wrongPasswordCount_ > kWrongTriesAllowed) {
        showLockOut();
        return {true, false};
    }
    // The lone marker asks whether a password is set. The empty password
    // counts as none: anyone can type it, and the parent must be able to
    // choose a real one.
    if (text == std::string(1, kChangeMarker)) {
        const bool none = noPasswordSet();
        if (none) wrongPasswordCount_ = 0;
        return {true, none};
    }
    if (text.size() >= 2 && text[0] == kChangeMarker) {
        // A new password replaces none, or one verified just before; any
        // other attempt is a wrong try like a wrong password.
        if (!noPasswordSet() && !verifiedRecently()) {
            countWrongTry();
            return {true, false};
        }
        text.erase(0, 1);
        entries_.setPassword(std::nullopt);
        verifiedAt_.reset();  // one change for each verification
    }
    text = passwordForm(text);

    bool verified = true;
    if (const std::optional<std::string> entry = entries_.password()) {
        verified = samePassword(text, *entry);
        if (verified) verifiedAt_ = clock_.now();
    } else if (!text.empty()) {
        entries_.setPassword(text);
        loadPassword(text);
    }

    if (verified) {
        wrongPasswordCount_ = 0;
    } else if (text.empty() || text[0] != kChangeMarker) {
        countWrongTry();
    }
    return {true, verified};
}

void PasswordKeeper::countWrongTry() {
    ++wrongPasswordCount_;
    if (wrongPasswordCount_ > kWrongTriesAllowed) {
        showLockOut();
    } else {
        dialogs_.show(IDD_INCORRECT_PASSWORD);
    }
}

bool PasswordKeeper::noPasswordSet() const {
    const std::optional<std::string> entry = entries_.password();
    return !entry || entry->empty();
}

bool PasswordKeeper::verifiedRecently() const {
    if (!verifiedAt_) return false;
    const int64_t since = clock_.now() - *verifiedAt_;
    return since >= 0 && since <= kChangeWindowSeconds;
}

bool PasswordKeeper::matches(std::string_view typed) const {
    const std::optional<std::string> entry = entries_.password();
    return entry && samePassword(lowered(cString(typed)), *entry);
}

std::optional<std::string> PasswordKeeper::registryPassword() {
    std::optional<std::string> stored;  // encoded under the default list key
    if (registry_.keyExists(RegRoot::LocalMachine, kLegacyPasswordKey)) {
        const std::optional<std::string> plain =
            registry_.readString(RegRoot::LocalMachine, kLegacyPasswordKey, "");
        if (plain && !registryText(*plain).empty()) {
            stored = encoded(registryText(*plain), kDefaultListKey);
            if (!registry_.createKey(RegRoot::LocalMachine, kPasswordKey) ||
                !registry_.writeString(RegRoot::LocalMachine, kPasswordKey, "", *stored)) {
                return std::nullopt;  // the legacy copy stays for the next start
            }
        }
        registry_.deleteTree(RegRoot::LocalMachine, kLegacyPasswordKey);
    }
    if (!stored) {
        const std::optional<std::string> value =
            registry_.readString(RegRoot::LocalMachine, kPasswordKey, "");
        if (!value) return std::nullopt;
        stored = registryText(*value);
    }
    return decoded(*stored, kDefaultListKey);
}

// The word file's "no password" line means so with or without a registry
// copy: a new installation has none, and its parent must be asked for a
// password rather than let in with the empty text.
void PasswordKeeper::loadPassword() {
    const std::optional<std::string> stored = registryPassword();
    const std::optional<std::string> entry = entries_.password();
    if (entry && *entry == kDefaultListKey) {
        entries_.setPassword(std::nullopt);
        return;
    }
    if (!stored) return;
    if (!entry || *entry != *stored) entries_.setPassword(*stored);
}

void PasswordKeeper::loadPassword(std::string_view newPassword) {
    if (!registryPassword()) return;
    if (!registry_.keyExists(RegRoot::LocalMachine, kPasswordKey)) return;
    registry_.writeString(RegRoot::LocalMachine, kPasswordKey, "",
                          encoded(passwordForm(newPassword), kDefaultListKey));
}

}  // namespace tb::settings
