#include "service/lists/word_table.h"

#include "common/address.h"
#include "common/list_encoding.h"

namespace tb {

namespace {

const std::optional<std::string> kNoSlot;

// Category words leave room for the password, the switch and the empty
// slot that ends the table.
constexpr size_t kMaxCategoryWords = WordTable::kMaxEntries - 2;

}  // namespace

std::string categoryWordFileName(int category) {
    std::string name = "tbfD.dat";
    name[3] = static_cast<char>('D' + category);
    return name;
}

bool readWordLine(TextFile& file, std::string& line) {
    if (!file.readLine(line, WordTable::kWordChars)) return false;
    if (line.back() == '\n') {
        line.pop_back();
        return true;
    }
    // An over-long line: keep its first characters, skip the rest of it.
    std::string rest;
    while (file.readLine(rest, WordTable::kWordChars) && rest.back() != '\n') {
    }
    return true;
}

const std::optional<std::string>& WordTable::slot(size_t i) const {
    return i < kSlots ? slots_[i] : kNoSlot;
}

void WordTable::clear() {
    for (auto& s : slots_) s.reset();
    wordCount_ = userWordStart_ = cursor_ = 0;
    loaded_ = false;
    changed();
}

bool WordTable::load(const std::string& directory, const CategoryStates& switches,
                     std::string& listKey) {
    clear();
    listKey = kDefaultListKey;
    bool keyTaken = false;
    bool complete = true;
    size_t count = 0;
    std::string line;
    // Word files after I have no switch of their own and are not read.
    for (int category = 0; category < static_cast<int>(switches.size()); ++category) {
        auto file =
            TextFile::open(directory + categoryWordFileName(category), TextFile::Mode::Read);
        if (!file) {
            complete = false;
            break;
        }
        if (switches[category] == 0) continue;
        while (count < kMaxCategoryWords && readWordLine(*file, line)) {
            scrambleListText(line, ScrambleMode::Decode, listKey);
            if (!keyTaken) {
                listKey = line.substr(0, kWordChars);
                keyTaken = true;
            }
            if (!line.empty()) slots_[count++] = line;
        }
    }

    userWordStart_ = count;
    slots_[count] = std::string();
    slots_[count + 1] = std::string("t");
    wordCount_ = count + 2;
    if (auto file = TextFile::open(directory + kWordFileName, TextFile::Mode::Read)) {
        size_t i = userWordStart_;
        while (i < kMaxEntries && readWordLine(*file, line)) {
            scrambleListText(line, ScrambleMode::Decode, listKey);
            slots_[i++] = line;
        }
        if (i > userWordStart_ + 2) wordCount_ = i;
    }
    loaded_ = true;
    changed();
    return complete;
}

// The words run to wordCount: an absent password (no password set) ends
// neither the word check nor the parent's words.
std::optional<std::string> WordTable::blockedWordIn(std::string_view text) const {
    if (!findersValid_) {
        checkedWords_.clear();
        for (size_t i = 0; i < wordCount_ && i < kSlots; ++i) {
            if (i == userWordStart_ || i == userWordStart_ + 1 || !slots_[i]) continue;
            checkedWords_.push_back(*slots_[i]);
        }
        finder_ = MultiPatternFinder(checkedWords_);
        findersValid_ = true;
    }
    const long first = finder_.firstIn(text);
    if (first < 0) return std::nullopt;
    return checkedWords_[static_cast<size_t>(first)];
}

bool WordTable::addWord(std::string_view word) {
    const std::string_view w = word.substr(0, kWordChars);
    for (size_t i = 0; i < wordCount_; ++i) {
        if (i == userWordStart_ || i == userWordStart_ + 1) continue;
        if (slots_[i] && *slots_[i] == w) return false;
    }
    if (wordCount_ >= kMaxEntries) return false;
    slots_[wordCount_++] = std::string(w);
    changed();
    return true;
}

std::optional<std::string> WordTable::firstUserWord() {
    cursor_ = userWordStart_ + 3;
    return slot(userWordStart_ + 2);
}

std::optional<std::string> WordTable::nextUserWord() {
    const std::optional<std::string>& word = slot(cursor_);
    if (word) ++cursor_;
    return word;
}

void WordTable::removeUserWord(std::string_view word) {
    for (size_t i = userWordStart_ + 2; i < wordCount_; ++i) {
        if (!slots_[i] || *slots_[i] != word) continue;
        for (size_t j = i; j + 1 < wordCount_; ++j) slots_[j] = std::move(slots_[j + 1]);
        slots_[--wordCount_].reset();
        changed();
        return;
    }
}

std::vector<std::string> WordTable::userWords() const {
    std::vector<std::string> words;
    for (size_t i = userWordStart_ + 2; i < wordCount_; ++i) {
        if (slots_[i]) words.push_back(*slots_[i]);
    }
    return words;
}

void WordTable::setUserWords(const std::vector<std::string>& words) {
    const size_t first = userWordStart_ + 2;
    for (size_t i = first; i < kSlots; ++i) slots_[i].reset();
    size_t i = first;
    for (const std::string& w : words) {
        if (i >= kMaxEntries) break;
        slots_[i++] = w.substr(0, kWordChars);
    }
    wordCount_ = i;
    changed();
}

// No password set is written as the line that means so (the default key),
// never as an empty file: that would read back as the empty password and
// lose the switch and the parent's words.
std::string WordTable::wordFileText(std::string_view key) const {
    std::string text;
    for (size_t i = userWordStart_; i < kSlots; ++i) {
        const bool noPassword = i == userWordStart_ && !slots_[i];
        if (!noPassword && !slots_[i]) break;
        text += encoded(stripScheme(noPassword ? kDefaultListKey : *slots_[i]), key);
        text += '\n';
    }
    return text;
}

std::string freshWordFile(const std::string& directory) {
    WordTable table;
    std::string listKey;
    table.load(directory, CategoryStates{1, 1, 1, 1, 1, 1}, listKey);
    table.passwordEntry().reset();
    table.switchEntry() = "t";
    table.setUserWords({});
    return table.wordFileText(listKey);
}

}  // namespace tb
