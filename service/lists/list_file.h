// The layout of the list files and the rule by which an encoded address
// matches a list.
//
// A plain list (A, B, C) is a run of encoded entries, each ended by a
// carriage return. An indexed list (the category lists D to I) starts with
// a header of text line pairs, a section character and the section's offset
// from the end of the header, and then holds its entries grouped by their
// fifth character, which the encoding leaves plain; a search reads only the
// section of the address's own fifth character.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/find_substring.h"

namespace tb {

inline constexpr size_t kListLineChars = 1023;   // a line buffer of 1024 bytes
inline constexpr size_t kHeaderLineChars = 259;  // header and word lines: 260 bytes
inline constexpr uint64_t kPlainListStop = 9999999;
inline constexpr int kFirstSection = 32;  // ' '
inline constexpr int kLastSection = 126;  // '~'

// The index header of a category list: one offset per section character
// 32 + k, counted from the first byte after the header.
struct ListIndex {
    std::array<int32_t, 96> offsets{};
    std::array<bool, 96> present{};
    uint64_t dataStart = 0;
};

// Reads the header from the start of the file's bytes. It ends after the
// pair of '~', after a first line whose character is above '~' (its offset
// line is not read) or at the end of the file; a pair below ' ' is ignored.
ListIndex readIndexHeader(std::string_view bytes);

// A signed decimal number after optional blanks, as atoi reads it, but held
// to the 32-bit range instead of overflowing.
int32_t parseIndexOffset(std::string_view text);

// One line of a list read as the C library reads a text stream into a
// buffer of maxChars + 1 bytes: at most maxChars bytes, ending after the
// first LF (a CR at the limit takes the LF after it along), never at or past
// `limit`. A CR LF pair at the end reads as one LF (`crlf`).
struct ListLine {
    uint64_t begin = 0;
    uint64_t end = 0;
    bool ended = false;  // by a LF
    bool crlf = false;
    bool empty() const { return end == begin; }
    size_t chars() const { return static_cast<size_t>(end - begin) - (crlf ? 1 : 0); }
};
ListLine readListLine(std::string_view data, uint64_t pos, size_t maxChars, uint64_t limit);
// The line as read: a final CR LF as one LF.
std::string lineText(std::string_view data, const ListLine& line);

// The byte range [start, stop) to search for an encoded address: the
// section of its fifth character, or for a short address or one whose fifth
// character has no section, the data from its start to the end of section
// ' '. A section ends where the next section present in the header starts;
// the last one ('~') at the end of the file. Offsets that are negative, out
// of order or past the end are clamped into the data, never outside it.
struct ListRange {
    uint64_t start = 0;
    uint64_t stop = 0;
};
ListRange sectionRange(const ListIndex& index, std::string_view url, uint64_t fileSize);

// The prefixes of an address that can match, by their lengths, shortest
// first: every part before a '/' of at least 3 characters, and last the
// whole address less one final '/' (the final prefix) when it has 3.
struct ListPrefixes {
    std::string_view url;  // without its final '/'
    std::vector<size_t> lengths;
    bool lastIsFinal = false;
};
ListPrefixes listPrefixes(std::string_view url);
// The same into out, whose storage is reused (a search per list and address).
void listPrefixes(std::string_view url, ListPrefixes& out);

// Whether one line of a list holds an entry that the address matches, and
// the length of the matching prefix (0 when none). Entries match by their
// ending: the final prefix (the whole address) followed by the entry's end,
// or any prefix followed by "/" and the entry's end. An entry ends at a
// carriage return, a line feed or the end of the line.
class ListMatcher {
  public:
    explicit ListMatcher(std::string_view url);
    size_t match(std::string_view line) const;
    // The longest text that can end a match: a chunk of an over-long entry
    // keeps this much for the next read.
    size_t reach() const { return url_.size() + 1; }

  private:
    struct Prefix {
        SubstringFinder finder;
        bool final;
    };
    std::string url_;
    std::vector<Prefix> prefixes_;
};

}  // namespace tb
