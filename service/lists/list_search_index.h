// The search of one list file answered from memory. Built once from the
// file's bytes are
//  - the entries sorted by their endings (read backwards), with their last
//    ten bytes beside them, so that the entries ending in a given text are
//    one run found by binary search, mostly without the file;
//  - a Bloom filter of the entries' last 16 and 32 bytes, so that most
//    addresses that no entry can match cost one memory probe per prefix;
//  - for every byte range a search can cover, the points where the
//    line-by-line reading of the range starts a line whatever the address.
// Only when an entry may match are the file's bytes needed again, read
// where they are needed (list_bytes.h): the entries that end alike, and the
// range line by line from the last such point before the entry, which gives
// the same answer as reading the whole range from its start, including
// which prefix the address is cut at.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "service/lists/list_bytes.h"
#include "service/lists/list_file.h"

namespace tb {

class ListSearchIndex {
  public:
    // Restart points lie at least `restartBytes` apart: the most that a
    // search reads before the line it needs.
    explicit ListSearchIndex(uint64_t restartBytes = 4096) : restartBytes_(restartBytes) {}

    // `indexed`: a category list, which starts with its index header. The
    // index keeps no reference to the bytes.
    void build(std::string_view bytes, bool indexed);
    void clear();

    // On a match the encoded address is cut at the matching prefix. `read`
    // reads the file's bytes where they are needed; a file that reads short
    // (it changed meanwhile) finds nothing.
    bool search(std::string& url, const ListBytes::Read& read);
    // The same over bytes in memory.
    bool search(std::string& url, std::string_view bytes);

    size_t entryCount() const { return ends_.size(); }
    // Memory the index holds beside the bytes.
    size_t memoryBytes() const;

  private:
    struct Chain {
        ListRange range;
        std::vector<uint64_t> restarts;  // ascending; the first is range.start
        bool cutAtStart = false;         // the range starts inside an entry
        bool cutAtStop = false;          // or stops inside one
    };
    bool searchBytes(std::string& url, const Chain& chain, const ListBytes::Read& read);
    int chainIndex(const ListRange& range);
    const Chain* chainFor(std::string_view url) const;
    // `quietUntil`: lines that end there or before hold no match.
    bool readRange(const Chain& chain, uint64_t from, uint64_t quietUntil, std::string& url) const;
    uint64_t entryStart(uint64_t end) const;
    int compareEnding(uint64_t end, std::string_view text) const;
    bool bloomMayHold(uint64_t key) const;
    bool mayEndIn(std::string_view text) const;
    void learnAbsent(std::string_view text);
    void bloomAdd(uint64_t key);
    // Calls back with the end of every entry that ends in `text`.
    template <class F>
    void forEachEntryEndingIn(std::string_view text, F&& f) const;

    uint64_t restartBytes_;
    std::string_view data_;       // while building
    ListBytes* bytes_ = nullptr;  // while searching, once needed
    std::unique_ptr<ListBytes> reader_;
    // Reused by every search: the address's prefixes and the ending asked.
    ListPrefixes prefixes_;
    std::string ending_;
    uint64_t size_ = 0;  // of the bytes indexed
    bool indexed_ = false;
    ListIndex header_;
    uint64_t regionStart_ = 0;  // what a search can cover: after the header,
    uint64_t regionEnd_ = 0;    // and up to the plain lists' stop
    bool sorted_ = false;       // false for a file too large for 32-bit offsets
    std::vector<uint32_t> ends_;
    std::vector<uint64_t> tails_;  // of the entries in ends_
    std::vector<uint16_t> nexts_;  // the two bytes before each tail
    std::vector<uint64_t> bloom_;
    std::vector<Chain> chains_;
    struct Absent {
        std::array<char, 32> ending{};
        size_t width = 0;  // 0: unused
    };
    std::array<Absent, 256> absent_{};
    // Chain by the address's fifth character (' ' to '~'), and [95] for the
    // rest; -1 for an empty range.
    std::array<int16_t, 96> chainOf_{};
};

}  // namespace tb
