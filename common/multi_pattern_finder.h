// Which of many patterns occurs first in table order, in one pass over the
// text: an Aho-Corasick automaton over the patterns' bytes (byte-exact,
// case-sensitive). Built once for a table of blocked words, it answers in
// time proportional to the text, however many words there are.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tb {

class MultiPatternFinder {
  public:
    MultiPatternFinder() = default;
    explicit MultiPatternFinder(const std::vector<std::string>& patterns);

    // The lowest index of a pattern that occurs in the text, or -1. An
    // empty pattern occurs in every text.
    long firstIn(std::string_view text) const;
    size_t size() const { return patternCount_; }

  private:
    static constexpr int32_t kNone = INT32_MAX;

    // Bytes that occur in no pattern share one class, so each state keeps
    // a transition per class rather than per byte.
    std::array<uint8_t, 256> classOf_{};
    size_t classes_ = 1;
    std::vector<int32_t> next_;  // state * classes_ + class -> state
    std::vector<int32_t>
        firstOut_;  // per state: lowest pattern index ending here or in its suffixes
    int32_t emptyPattern_ = kNone;  // lowest index of an empty pattern
    int32_t lowestIndex_ = kNone;   // no answer can be lower
    size_t patternCount_ = 0;
};

}  // namespace tb
