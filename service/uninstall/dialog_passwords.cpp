#include "service/uninstall/dialog_passwords.h"

#include "common/ansi_text.h"
#include "common/vendor_endpoints.h"

namespace tb {

std::string typedPassword(const std::string& fieldText) {
    return lowered(std::string(cString(fieldText).substr(0, kDialogPasswordLength)));
}

bool matchesPasswordEntry(const std::string& typed,
                          const std::optional<std::string>& passwordEntry) {
    if (!passwordEntry) return false;
    const std::string entry = lowered(*passwordEntry);
    return typed.substr(0, kComparedPasswordLength) == entry.substr(0, kComparedPasswordLength);
}

bool uninstallPasswordAccepted(const std::string& fieldText,
                               const std::optional<std::string>& passwordEntry,
                               const std::function<bool(const std::string&)>& isMasterCode) {
    const std::string typed = typedPassword(fieldText);
    if (matchesPasswordEntry(typed, passwordEntry)) return true;
    return isMasterCode && isMasterCode(typed);
}

std::string uninstallSupportText() {
    return std::string(
               "If you have forgotten your password, please contact Orvane technical support by "
               "e-mail at ") +
           vendor::kSupportEmail + " or by telephone at " + vendor::kSupportPhone + ".";
}

}  // namespace tb
