#include "manager/sheet_rules.h"

#include "common/ansi_text.h"
#include "common/vendor_endpoints.h"

namespace tb::manager {

bool isUninstallCommand(const char* commandLine) {
    const std::string text = lowered(commandLine ? commandLine : "");
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    const size_t last = text.find_last_not_of(" \t");
    const std::string word = text.substr(first, last - first + 1);
    return word == "/uninstall" || word == "-uninstall";
}

std::string timeTabCaption(std::string_view caption, bool on) {
    const size_t at = caption.find(kOffSuffix);
    if (on) return std::string(caption.substr(0, at));
    if (at != std::string_view::npos) return std::string(caption);
    return std::string(caption) + kOffSuffix;
}

TimeLogging applyFilterChoice(bool filteringOn, const std::function<bool()>& tbOn) {
    const bool on = tbOn();
    if (filteringOn && !on) {
        tbOn();
        return TimeLogging::Start;
    }
    if (!filteringOn && on) {
        tbOn();
        return TimeLogging::Stop;
    }
    return TimeLogging::Unchanged;
}

std::vector<CategoryChange> categoryChanges(const CategoryValues& read,
                                            const CategoryValues& shown) {
    std::vector<CategoryChange> changes;
    for (int cat = 1; cat < kCategories; ++cat) {
        if (shown[cat] != read[cat]) changes.push_back({cat, shown[cat]});
    }
    return changes;
}

std::string brandStem() {
    const std::string_view domain = vendor::kDomain;
    return std::string(domain.substr(0, domain.find('.')));
}

bool wordRefused(std::string_view word) {
    return contains(lowered(word), brandStem());
}

std::string setPasswordText(std::string_view newPassword) {
    std::string text(1, kSetPasswordMarker);
    text += newPassword;
    return text;
}

bool newPasswordAccepted(std::string_view password, std::string_view confirmation) {
    return !password.empty() && !confirmation.empty() && password == confirmation;
}

ChangePasswordResult checkPasswordChange(std::string_view oldPassword, std::string_view newPassword,
                                         std::string_view confirmation,
                                         const std::function<bool(std::string_view)>& verifyOld) {
    if (!oldPassword.empty() && verifyOld(oldPassword) &&
        newPasswordAccepted(newPassword, confirmation)) {
        return ChangePasswordResult::Accepted;
    }
    if (oldPassword.empty()) return ChangePasswordResult::OldEmpty;
    if (newPassword.empty()) return ChangePasswordResult::NewEmpty;
    if (confirmation.empty()) return ChangePasswordResult::ConfirmEmpty;
    if (newPassword != confirmation) return ChangePasswordResult::Mismatch;
    return ChangePasswordResult::WrongOld;
}

}  // namespace tb::manager
