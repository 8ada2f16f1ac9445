// The rules of the Block Sites and Allow Sites pages that need no window:
// the log entry text, the transfer form of a logged site, the candidate
// normalisation, the section cut, the vendor refusal and the log sorting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tb::manager {

// The date part of a log entry: "%m/%d/%y %I:%M %p" is always 17 characters,
// and three blanks separate it from the address.
inline constexpr size_t kEntryDateLength = 17;
inline constexpr size_t kEntryAddressStart = 20;

// "12/08/00 03:45 PM   www.site.example/" for a visit time (seconds since
// 1970, shown in local time). A time the C library cannot show keeps the
// 17-character shape, so the address still starts at the 21st character.
std::string logEntryText(int32_t visitTime, std::string_view address);

// The address of a log entry: its text from the 21st character on.
std::string entryAddress(std::string_view entryText);

// A logged site as it crosses the interface: "%ld %s".
struct LoggedSite {
    int32_t time = 0;
    std::string address;
};
LoggedSite parseLoggedSite(std::string_view element);
std::string formatLoggedSite(int32_t time, std::string_view address);

// The longest address and word the service keeps; what is longer would be
// stored cut, so the parent is told instead.
inline constexpr size_t kMaxAddressChars = 1023;
inline constexpr size_t kMaxWordChars = 259;

// The text without the blanks and tabs around it.
std::string trimmedBlanks(std::string_view text);

// A typed address, trimmed: web addresses and file:// addresses take the
// normal form (scheme cut, lower case); drive and network paths stay as
// typed. Blank text gives the empty text.
std::string normaliseCandidate(std::string_view typed);

// "Entire section": an address not ending in '/' is cut after its last '/',
// or gets one appended when it has none.
std::string cutToSection(std::string_view candidate);

// Block Sites refuses anything naming the vendor's domain, in any case.
bool mentionsVendorDomain(std::string_view candidate);

// The text of message 108, naming the vendor's domain.
std::string vendorRefusalText();

// Allow Sites: the normalised address, always ending in '/'; empty for
// blank text.
std::string allowCandidate(std::string_view typed);

// Whether a list already holds the candidate exactly (case-sensitive; an
// empty entry never matches).
bool containsExactly(const std::vector<std::string>& entries, std::string_view candidate);

// The left list as the sort sees it. moveToEnd appends a copy of entry
// `index` (text and data) and deletes the original.
class EntryList {
  public:
    virtual ~EntryList() = default;
    virtual size_t count() const = 0;
    virtual std::string text(size_t index) const = 0;
    virtual uint32_t data(size_t index) const = 0;
    virtual void moveToEnd(size_t index) = 0;
};

enum class SortKey { Date, Address };

// Repeatedly moves the extreme entry of the not-yet-sorted front part to
// the end; equal keys keep their order. Dates compare as unsigned 32-bit
// values, addresses byte by byte (unsigned) from the 21st character.
void sortEntries(EntryList& list, SortKey key, bool descending);

// sortState: 1 date newest first, 0 date oldest first (or unsorted),
// 2 address ascending, 3 address descending.
struct SortStep {
    SortKey key;
    bool descending;
    int nextState;
};
SortStep dateHeaderClicked(int sortState);
SortStep addressHeaderClicked(int sortState);
// The sort run after (re)filling the log: by address when sorted by address,
// else by date.
SortStep resortAfterFill(int sortState);

}  // namespace tb::manager
