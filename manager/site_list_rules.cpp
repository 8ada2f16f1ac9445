#include "manager/site_list_rules.h"

#include <cstdlib>
#include <ctime>

#include "common/address.h"
#include "common/ansi_text.h"
#include "common/vendor_endpoints.h"

namespace tb::manager {

std::string logEntryText(int32_t visitTime, std::string_view address) {
    char date[64] = "";
    const std::time_t t = visitTime;
    const std::tm* local = std::localtime(&t);
    if (!local ||
        std::strftime(date, sizeof date, "%m/%d/%y %I:%M %p", local) != kEntryDateLength) {
        std::snprintf(date, sizeof date, "%s", "--/--/-- --:-- --");
    }
    std::string text(date);
    text += "   ";
    text += address;
    return text;
}

std::string entryAddress(std::string_view entryText) {
    if (entryText.size() <= kEntryAddressStart) return {};
    return std::string(entryText.substr(kEntryAddressStart));
}

LoggedSite parseLoggedSite(std::string_view element) {
    LoggedSite site;
    size_t start = element.find_first_not_of(' ');
    if (start == std::string_view::npos) return site;
    const size_t blank = element.find(' ', start);
    const std::string number(element.substr(
        start, blank == std::string_view::npos ? std::string_view::npos : blank - start));
    site.time = static_cast<int32_t>(std::strtol(number.c_str(), nullptr, 10));
    if (blank != std::string_view::npos) site.address = std::string(element.substr(blank + 1));
    return site;
}

std::string formatLoggedSite(int32_t time, std::string_view address) {
    std::string text = std::to_string(time);
    text += ' ';
    text += address;
    return text;
}

std::string trimmedBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

std::string normaliseCandidate(std::string_view text) {
    const std::string typed = trimmedBlanks(text);
    if (isWebAddress(typed) || contains(typed, "file://")) return stripScheme(typed);
    return std::string(typed);
}

std::string cutToSection(std::string_view candidate) {
    if (endsWith(candidate, "/")) return std::string(candidate);
    const size_t slash = candidate.rfind('/');
    if (slash == std::string_view::npos) return std::string(candidate) + "/";
    return std::string(candidate.substr(0, slash + 1));
}

bool mentionsVendorDomain(std::string_view candidate) {
    return contains(lowered(candidate), vendor::kDomain);
}

std::string vendorRefusalText() {
    const std::string domain = vendor::kDomain;
    return "Tamberly uses portions of the " + domain + " website.\nTherefore, " + domain +
           " and the word Orvan cannot be blocked.";
}

std::string allowCandidate(std::string_view typed) {
    std::string candidate = normaliseCandidate(typed);
    if (!candidate.empty() && !endsWith(candidate, "/")) candidate += '/';
    return candidate;
}

bool containsExactly(const std::vector<std::string>& entries, std::string_view candidate) {
    for (const std::string& entry : entries) {
        if (!entry.empty() && entry == candidate) return true;
    }
    return false;
}

namespace {

int compareAddresses(const std::string& a, const std::string& b) {
    const std::string_view x =
        a.size() > kEntryAddressStart ? std::string_view(a).substr(kEntryAddressStart) : "";
    const std::string_view y =
        b.size() > kEntryAddressStart ? std::string_view(b).substr(kEntryAddressStart) : "";
    const size_t n = x.size() < y.size() ? x.size() : y.size();
    for (size_t i = 0; i < n; ++i) {
        const unsigned char p = static_cast<unsigned char>(x[i]);
        const unsigned char q = static_cast<unsigned char>(y[i]);
        if (p != q) return p < q ? -1 : 1;
    }
    if (x.size() == y.size()) return 0;
    return x.size() < y.size() ? -1 : 1;
}

}  // namespace

void sortEntries(EntryList& list, SortKey key, bool descending) {
    const size_t n = list.count();
    for (size_t k = n; k > 0; --k) {
        size_t best = 0;
        for (size_t i = 1; i < k; ++i) {
            int order = 0;
            if (key == SortKey::Date) {
                const uint32_t a = list.data(i), b = list.data(best);
                order = a == b ? 0 : (a < b ? -1 : 1);
            } else {
                order = compareAddresses(list.text(i), list.text(best));
            }
            // Strictly more extreme only, so the lowest index wins among equals.
            if (descending ? order > 0 : order < 0) best = i;
        }
        list.moveToEnd(best);
    }
}

SortStep dateHeaderClicked(int sortState) {
    if (sortState == 0) return {SortKey::Date, true, 1};
    return {SortKey::Date, false, 0};
}

SortStep addressHeaderClicked(int sortState) {
    if (sortState == 2) return {SortKey::Address, true, 3};
    return {SortKey::Address, false, 2};
}

SortStep resortAfterFill(int sortState) {
    if (sortState == 2 || sortState == 3) return addressHeaderClicked(sortState);
    return dateHeaderClicked(sortState);
}

}  // namespace tb::manager
