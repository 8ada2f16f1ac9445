#include "service/filter/filter_engine.h"

#include <array>

#include "common/address.h"
#include "common/ansi_text.h"
#include "common/list_encoding.h"

namespace tb {

namespace {

constexpr std::array<std::string_view, 16> kResourceExtensions = {
    ".gif", ".jpeg", ".jpg", ".bmp", ".tif", ".dll", ".sys", ".bat",
    ".avi", ".wav",  ".ini", ".drv", ".ttf", ".pdf", ".ps",  ".js"};

constexpr size_t kInternalMin = 5;
constexpr size_t kInternalMax = 259;

std::string withForwardSlashes(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return out;
}

bool isResource(std::string_view address) {
    for (std::string_view ext : kResourceExtensions) {
        if (endsWith(address, ext)) return true;
    }
    return false;
}

bool isAdvertising(std::string_view address) {
    return contains(address, vendor::kAdHostPrimary) ||
           contains(address, vendor::kAdHostSecondary) || contains(address, vendor::kAdNetwork);
}

}  // namespace

FilterEngine::FilterEngine(FilterState& state, ListStore& lists, WordTable& words, SiteLogs& logs,
                           std::function<void()> recoverLists)
    : state_(state),
      lists_(lists),
      words_(words),
      logs_(logs),
      recoverLists_(std::move(recoverLists)) {}

FilterVerdict FilterEngine::filterURL(std::string_view strURL) {
    FilterVerdict verdict;
    if (!state_.ready) return verdict;

    const std::string_view given = cString(strURL);
    const std::string text = withForwardSlashes(given.substr(0, kUrlChars));
    if (text.size() > kLongestFiltered || text.size() < kShortestFiltered) return verdict;
    if (contains(text, vendor::kDomain)) {
        logs_.logAddress(text, SiteLogKind::Visited);
        return verdict;
    }
    std::string lastUrl = isWebAddress(text) ? stripScheme(text) : text;
    if (isAdvertising(lastUrl)) return verdict;

    const std::string plainUrl = lastUrl.substr(0, kUrlChars);
    verdict.userAllowed = false;
    lists_.noticeChanges();
    const std::string& key = state_.listKey;
    scrambleListText(lastUrl, ScrambleMode::Encode, key);

    auto allowedByList = [&] {
        logs_.logAddress(plainUrl, SiteLogKind::Visited);
        verdict.userAllowed = true;
        return verdict;
    };
    auto blockedWith = [&](const std::string& page) {
        logs_.logAddress(plainUrl, SiteLogKind::Blocked);
        verdict.allowed = false;
        verdict.replacement = page;
        return verdict;
    };

    if (search(List::A, lastUrl)) return allowedByList();
    if (search(List::B, lastUrl)) return blockedWith(state_.pages.lists);
    if (search(List::C, lastUrl)) return allowedByList();

    scrambleListText(lastUrl, ScrambleMode::Decode, key);
    if (!wordCheck(lastUrl)) return blockedWith(state_.pages.words);

    scrambleListText(lastUrl, ScrambleMode::Encode, key);
    bool allowed = true;
    for (int category = 0; category < kCategoryCount && allowed; ++category) {
        if (state_.categoryStates[category] == 1)
            allowed = !search(categoryList(category), lastUrl);
    }
    if (!allowed) return blockedWith(state_.pages.lists);

    // Pictures and other resources are logged only while the local block
    // pages are in use.
    if (!isResource(given) || contains(state_.pages.lists, "restricted1.htm")) {
        logs_.logAddress(plainUrl, SiteLogKind::Visited);
    }
    return verdict;
}

std::optional<bool> FilterEngine::isURLAllowed(std::string_view strURL) const {
    if (!state_.ready) return std::nullopt;
    const SiteRecordPtr record = logs_.findVisited(cString(strURL));
    return !record || record->allowed != 0;
}

PageVerdict FilterEngine::passesFilterList(std::string_view url, std::string_view checkStr) {
    if (!state_.ready) return {false, std::nullopt};
    if (words_.wordFilterOff()) return {true, std::nullopt};
    if (words_.empty()) return {false, state_.pages.words};
    if (wordCheck(lowered(checkStr))) return {true, std::nullopt};
    logs_.logAddress(stripScheme(withForwardSlashes(cString(url).substr(0, kUrlChars))),
                     SiteLogKind::Blocked);
    return {false, state_.pages.words};
}

bool FilterEngine::internalURLMatch(std::string_view url) const {
    url = cString(url);
    if (url.size() < kInternalMin || url.size() > kInternalMax) return false;
    std::string w = lowered(stripScheme(url));
    size_t i = 0;
    for (size_t p = w.size(); p-- > 1;) {
        if (w[p] == '/' || w[p] == '\\') {
            i = p;
            break;
        }
    }
    if (i + 1 < w.size()) {
        if (w.size() > 3 && contains(w, vendor::kWebHost)) return true;
        w = w.substr(i + 1);  // the last path segment
    }
    if (i >= state_.pages.lists.size() || w.size() < 4) return false;
    for (const std::string* page :
         {&state_.pages.lists, &state_.pages.time, &state_.pages.words, &state_.updatePage,
          &state_.updateErrorPage, &state_.pages.remote}) {
        if (contains(*page, w)) return true;
    }
    return false;
}

bool FilterEngine::search(List list, std::string& url) {
    if (!lists_.search(list, url)) return false;
    if (localPagesInUse(state_.pages.lists))
        writeBlockedEntry(kUrlBlockedFile, decoded(url, state_.listKey) + "\n", lastUrlBlocked_);
    return true;
}

// For the local block page to show; a failure to write is ignored (and the
// next block writes again). The same entry again costs no write, and none
// waits for the disk: the file only has to be whole when the page reads it.
void FilterEngine::writeBlockedEntry(const char* file, std::string text, std::string& lastWritten) {
    const std::string path = state_.directory + file;
    if (text == lastWritten && fileExists(path)) return;
    lastWritten = writeTextFile(path, text, false) ? std::move(text) : std::string();
}

bool FilterEngine::wordCheck(std::string_view text) {
    std::optional<std::string> word;
    try {
        word = words_.blockedWordIn(text);
    } catch (const std::exception&) {
        // The table is damaged: rebuild everything from disk, and keep the
        // damage from being saved over good files.
        if (recoverLists_) recoverLists_();
        state_.listsCorrupt = true;
        return true;
    }
    if (!word) return true;
    if (localPagesInUse(state_.pages.words))
        writeBlockedEntry(kWordBlockedFile, *word + "\n", lastWordBlocked_);
    return false;
}

}  // namespace tb
