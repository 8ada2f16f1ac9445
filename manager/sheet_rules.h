// Rules of the sheet, the password dialogs and the Admin, Categories and
// Words pages that need no window.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tb::manager {

// The command line "/uninstall" or "-uninstall" (any case, blanks around
// it): the Add/Remove Programs entry's command, which asks the service for
// its uninstall instead of opening the sheet.
bool isUninstallCommand(const char* commandLine);

// The Time tab's caption: " (Off)" is appended once when timed access is
// off and cut off again when it is on.
inline constexpr char kOffSuffix[] = " (Off)";
std::string timeTabCaption(std::string_view caption, bool on);

// Admin page OK: switch filtering towards the parent's choice. tbOn calls
// the service's TBOn with the remembered password and answers its result
// (filtering on after the call). A second switch is needed when the first
// one went the wrong way; only that path changes the time logging.
enum class TimeLogging { Unchanged, Start, Stop };
TimeLogging applyFilterChoice(bool filteringOn, const std::function<bool()>& tbOn);

// Categories: the check boxes by category (index = eCATEGORY value).
inline constexpr int kCategories = 6;
using CategoryValues = std::array<int, kCategories>;
// The order in which the page reads the five switchable categories.
inline constexpr std::array<int, 5> kCategoryReadOrder = {1, 2, 3, 5, 4};
struct CategoryChange {
    int category;
    int value;
};
// What OK sends: categories 1 to 5 in ascending order whose box differs
// from the value read; never category 0.
std::vector<CategoryChange> categoryChanges(const CategoryValues& read,
                                            const CategoryValues& shown);

// Words: the brand stem (the vendor's domain up to its first dot) may not
// be blocked, in any case and inside any word.
std::string brandStem();
bool wordRefused(std::string_view word);
// Remove Word deletes at most this many selected words at once.
inline constexpr size_t kMaxWordsRemoved = 1000;

// The password marker (code 254): alone it asks whether a password is set;
// followed by text it sets that text as the password.
inline constexpr char kSetPasswordMarker = '\xFE';
std::string setPasswordText(std::string_view newPassword);

// New password: both edits filled and equal.
bool newPasswordAccepted(std::string_view password, std::string_view confirmation);

// Change password: the first problem, checked in the dialog's order.
// verifyOld is asked only when the old password is not empty.
enum class ChangePasswordResult {
    Accepted,
    OldEmpty,      // message 102
    NewEmpty,      // message 103
    ConfirmEmpty,  // message 104
    Mismatch,      // message 105
    WrongOld,      // no message
};
ChangePasswordResult checkPasswordChange(std::string_view oldPassword, std::string_view newPassword,
                                         std::string_view confirmation,
                                         const std::function<bool(std::string_view)>& verifyOld);

// Failed tries after which the password dialogs give up.
inline constexpr int kPasswordTries = 5;

}  // namespace tb::manager
