// The filter decision for an address the browser is about to open, and the
// word check of a loaded page. A blocked address is answered with the block
// page to open in its place.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "service/filter/filter_state.h"
#include "service/lists/list_store.h"
#include "service/lists/word_table.h"
#include "service/sitelog/site_log.h"

namespace tb {

inline constexpr size_t kUrlChars = 1023;  // the address buffers of 1024 bytes
inline constexpr size_t kShortestFiltered = 4;
inline constexpr size_t kLongestFiltered = 210;
inline constexpr char kUrlBlockedFile[] = "tbURLBlocked.txt";
inline constexpr char kWordBlockedFile[] = "tbWordBlocked.txt";

struct FilterVerdict {
    bool allowed = true;
    // Let through before any content test: the helper may skip its own.
    bool userAllowed = true;
    // The block page that replaces the address; nullopt leaves it.
    std::optional<std::string> replacement;
};

struct PageVerdict {
    bool passed = false;
    std::optional<std::string> replacement;  // for the page text
};

class FilterEngine {
  public:
    // recoverLists runs when the word check fails with an exception: it
    // loads the lists again (the engine then sets listsCorrupt).
    FilterEngine(FilterState& state, ListStore& lists, WordTable& words, SiteLogs& logs,
                 std::function<void()> recoverLists);

    FilterVerdict filterURL(std::string_view strURL);
    // The address's Allowed flag in siteLog (true when not logged); nullopt
    // while the service is not ready.
    std::optional<bool> isURLAllowed(std::string_view strURL) const;
    PageVerdict passesFilterList(std::string_view url, std::string_view checkStr);
    bool internalURLMatch(std::string_view url) const;

  private:
    bool search(List list, std::string& url);
    // True when no word of the table occurs in the (lower-case) text.
    bool wordCheck(std::string_view text);
    bool localPagesInUse(const std::string& page) const { return page != state_.pages.remote; }
    // Writes one of the one-line files for the block page, unless it holds
    // that text already (from this service's last write, and still there).
    void writeBlockedEntry(const char* file, std::string text, std::string& lastWritten);

    FilterState& state_;
    ListStore& lists_;
    WordTable& words_;
    SiteLogs& logs_;
    std::function<void()> recoverLists_;
    std::string lastUrlBlocked_;
    std::string lastWordBlocked_;
};

}  // namespace tb
