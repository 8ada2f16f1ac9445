// The process-wide table of blocked words. It also carries the password and
// the word-filter switch:
//   slots 0 ..            the words of every category word file read
//   userWordStart         the password
//   userWordStart + 1     the word-filter switch, "t" or "f"
//   userWordStart + 2 ..  the parent's words, up to wordCount
// The used slots run from slot 0 to the first empty one; the word check
// walks them in that order.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/multi_pattern_finder.h"
#include "service/lists/text_file.h"

namespace tb {

// The category switches, one per category list D to I in that order.
using CategoryStates = std::array<uint16_t, 6>;

inline constexpr char kWordFileName[] = "tbu.dat";
// "tbfD.dat" to "tbfI.dat", category 0 to 5.
std::string categoryWordFileName(int category);

// One line of a word file: at most 259 characters, its line feed dropped;
// the rest of a longer line is skipped. False at the end of the file.
bool readWordLine(TextFile& file, std::string& line);

// The word file of a new installation whose category word files are in
// `directory` (ending with its separator): no password set, filtering on,
// no words of the parent's. The first start of the service then asks the
// parent for a new password rather than taking the empty text for one.
std::string freshWordFile(const std::string& directory);

class WordTable {
  public:
    static constexpr size_t kSlots = 1023;
    static constexpr size_t kMaxEntries = 1022;
    static constexpr size_t kWordChars = 259;

    // Builds the table from the category word files of the directory (those
    // whose switch is non-zero) and the parent's word file. listKey starts
    // as the default key and becomes the first category word line read.
    // False when one of tbfD.dat to tbfI.dat is missing.
    bool load(const std::string& directory, const CategoryStates& switches, std::string& listKey);
    void clear();
    bool loaded() const { return loaded_; }

    size_t wordCount() const { return wordCount_; }
    size_t userWordStart() const { return userWordStart_; }
    const std::optional<std::string>& slot(size_t i) const;
    // The password and switch entries (absent when their slot is empty).
    // Category words stop short of the last slots, so both always exist.
    std::optional<std::string>& passwordEntry() {
        changed();
        return slots_[userWordStart_];
    }
    std::optional<std::string>& switchEntry() {
        changed();
        return slots_[userWordStart_ + 1];
    }
    bool wordFilterOff() const {
        return slot(userWordStart_ + 1) == std::optional<std::string>("f");
    }
    // Slot 0 is empty: no word, no password, no switch.
    bool empty() const { return !slots_[0]; }

    // The word check: the first entry of the table that occurs in the text
    // as a plain substring (the password and the switch are skipped), or
    // nullopt when none does.
    std::optional<std::string> blockedWordIn(std::string_view text) const;

    // The parent's words.
    bool addWord(std::string_view word);
    std::optional<std::string> firstUserWord();
    std::optional<std::string> nextUserWord();
    void removeUserWord(std::string_view word);
    std::vector<std::string> userWords() const;
    void setUserWords(const std::vector<std::string>& words);

    // The contents of tbu.dat: every entry from the password to the first
    // empty slot, normalised and encoded with the key, one a line; an absent
    // password as the default key's text, which means no password is set.
    std::string wordFileText(std::string_view key) const;

  private:
    void changed() { findersValid_ = false; }

    std::vector<std::optional<std::string>> slots_ =
        std::vector<std::optional<std::string>>(kSlots);
    size_t wordCount_ = 0;
    size_t userWordStart_ = 0;
    size_t cursor_ = 0;
    bool loaded_ = false;
    // The words the check looks for, in table order, and one automaton
    // over them; both made again after any change.
    mutable std::vector<std::string> checkedWords_;
    mutable MultiPatternFinder finder_;
    mutable bool findersValid_ = false;
};

}  // namespace tb
