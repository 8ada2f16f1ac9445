#include "service/lists/word_table.h"

#include <gtest/gtest.h>

#include "service/lists/tests/list_builder.h"

namespace tb {
namespace {

using testing::kTestKey;
using testing::ServiceFiles;
using testing::TempDirectory;

constexpr CategoryStates kAllOn{1, 1, 1, 1, 1, 1};

// What the key line of a word file reads as when it is not the first line
// read: it was encoded with the default key and is decoded with the list key.
std::string keyLineAsWord() {
    return decoded(encoded(kTestKey, kDefaultListKey), kTestKey);
}

class WordTableTest : public ::testing::Test {
  protected:
    bool load(const CategoryStates& switches = kAllOn) {
        return table_.load(dir_.dir(), switches, key_);
    }
    std::vector<std::string> categoryWords() const {
        std::vector<std::string> words;
        for (size_t i = 0; i < table_.userWordStart(); ++i) words.push_back(*table_.slot(i));
        return words;
    }

    TempDirectory dir_;
    ServiceFiles files_{dir_};
    WordTable table_;
    std::string key_;
};

// Loading ----------------------------------------------------------------------

TEST_F(WordTableTest, HoldsCategoryWordsInFileOrderThenPasswordSwitchAndParentWords) {
    files_.categoryWords(0, {"alpha"}).categoryWords(1, {"beta", "gamma"}).complete();
    files_.wordFile({"secret", "t", "mine", "yours"});
    ASSERT_TRUE(load());
    EXPECT_EQ(key_, kTestKey);
    const std::string other = keyLineAsWord();
    EXPECT_EQ(categoryWords(), (std::vector<std::string>{kTestKey, "alpha", other, "beta", "gamma",
                                                         other, other, other, other}));
    EXPECT_EQ(table_.passwordEntry(), "secret");
    EXPECT_EQ(table_.switchEntry(), "t");
    EXPECT_EQ(table_.userWords(), (std::vector<std::string>{"mine", "yours"}));
    EXPECT_EQ(table_.wordCount(), table_.userWordStart() + 4);
}

TEST_F(WordTableTest, ASwitchedOffCategoryIsNotReadAndTheNextFileGivesTheKey) {
    files_.categoryWords(0, {"alpha"}).categoryWords(1, {"beta"}).complete();
    ASSERT_TRUE(load({0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(key_, kTestKey);
    EXPECT_EQ(categoryWords(), (std::vector<std::string>{kTestKey, "beta"}));
}

TEST_F(WordTableTest, WithEveryCategoryOffTheKeyStaysTheDefault) {
    files_.categoryWords(0, {"alpha"}).complete();
    ASSERT_TRUE(load({0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(key_, kDefaultListKey);
    EXPECT_EQ(table_.userWordStart(), 0u);
}

TEST_F(WordTableTest, AMissingCategoryWordFileFailsTheLoadButKeepsWhatWasRead) {
    files_.categoryWords(0, {"alpha"}).complete();
    dir_.remove("tbfG.dat");
    EXPECT_FALSE(load());
    EXPECT_EQ(categoryWords(),
              (std::vector<std::string>{kTestKey, "alpha", keyLineAsWord(), keyLineAsWord()}));
    EXPECT_EQ(table_.passwordEntry(), "");
}

TEST_F(WordTableTest, WithoutAWordFileThePasswordIsEmptyAndWordFilteringIsOn) {
    files_.complete();
    ASSERT_TRUE(load());
    EXPECT_EQ(table_.passwordEntry(), "");
    EXPECT_EQ(table_.switchEntry(), "t");
    EXPECT_TRUE(table_.userWords().empty());
    EXPECT_EQ(table_.wordCount(), table_.userWordStart() + 2);
}

TEST_F(WordTableTest, AWordFileOfOneLineReplacesOnlyThePassword) {
    files_.complete().wordFile({"secret"});
    ASSERT_TRUE(load());
    EXPECT_EQ(table_.passwordEntry(), "secret");
    EXPECT_EQ(table_.switchEntry(), "t");
    EXPECT_EQ(table_.wordCount(), table_.userWordStart() + 2);
}

TEST_F(WordTableTest, CategoryWordsNeverCrowdOutThePasswordAndTheSwitch) {
    std::vector<std::string> many;
    for (int i = 0; i < 1100; ++i) many.push_back("word" + std::to_string(i));
    files_.categoryWords(0, many).complete().wordFile({"secret", "f", "mine"});
    ASSERT_TRUE(load());
    EXPECT_EQ(table_.userWordStart(), WordTable::kMaxEntries - 2);
    EXPECT_EQ(table_.passwordEntry(), "secret");
    EXPECT_TRUE(table_.wordFilterOff());
    EXPECT_TRUE(table_.userWords().empty());  // no room left
    EXPECT_FALSE(table_.addWord("another"));
}

TEST_F(WordTableTest, AnOverLongLineIsCutAndTheNextLineStaysWhole) {
    files_.complete().wordFile({"secret", "t", std::string(300, 'w'), "next"});
    ASSERT_TRUE(load());
    EXPECT_EQ(table_.userWords(), (std::vector<std::string>{std::string(259, 'w'), "next"}));
}

TEST_F(WordTableTest, TheWordFileRoundTripsNormalisedAndInLowerCase) {
    files_.complete().wordFile({"secret", "t"});
    ASSERT_TRUE(load());
    table_.setUserWords({"Mixed", "HTTP://X.example/Y"});
    dir_.write("tbu.dat", "");
    ASSERT_TRUE(writeTextFile(dir_.file("tbu.dat"), table_.wordFileText(key_)));
    EXPECT_NE(dir_.read("tbu.dat").find("\r\n"), std::string::npos);
    ASSERT_TRUE(load());
    EXPECT_EQ(table_.passwordEntry(), "secret");
    EXPECT_EQ(table_.userWords(), (std::vector<std::string>{"mixed", "x.example/y"}));
}

// With no password set (a new installation) the file still carries the
// switch and the parent's words, and its first line says "no password".
TEST_F(WordTableTest, NoPasswordIsWrittenAsTheDefaultKeyLineAndKeepsTheRest) {
    files_.complete().wordFile({"secret", "f"});
    ASSERT_TRUE(load());
    table_.passwordEntry().reset();
    table_.setUserWords({"mine"});
    ASSERT_TRUE(writeTextFile(dir_.file("tbu.dat"), table_.wordFileText(key_)));
    ASSERT_TRUE(load());
    EXPECT_EQ(table_.passwordEntry(), std::string(kDefaultListKey));
    EXPECT_EQ(table_.switchEntry(), "f");
    EXPECT_EQ(table_.userWords(), std::vector<std::string>{"mine"});

    // A new installation's file, keyed by its category word files.
    dir_.write("tbu.dat", freshWordFile(dir_.dir()));
    ASSERT_TRUE(load());
    EXPECT_EQ(table_.passwordEntry(), std::string(kDefaultListKey));
    EXPECT_EQ(table_.switchEntry(), "t");
    EXPECT_TRUE(table_.userWords().empty());
}

// The word check -------------------------------------------------------------------

TEST_F(WordTableTest, FindsWordsAsPlainSubstringsAlsoInsideOtherWords) {
    files_.complete();
    ASSERT_TRUE(load({0, 0, 0, 0, 0, 0}));
    table_.setUserWords({"aba", "cat"});
    EXPECT_EQ(table_.blockedWordIn("bbbaabbbbbaba"), "aba");
    EXPECT_EQ(table_.blockedWordIn("concatenate"), "cat");
    EXPECT_EQ(table_.blockedWordIn("dog.example"), std::nullopt);
}

TEST_F(WordTableTest, ThePasswordAndTheSwitchAreNotBlockedWords) {
    files_.complete().wordFile({"secret", "t"});
    ASSERT_TRUE(load({0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(table_.blockedWordIn("secret.example/t"), std::nullopt);
}

TEST_F(WordTableTest, WithNoPasswordSetTheParentsWordsAreStillChecked) {
    files_.complete().wordFile({"secret", "t", "tulip"});
    ASSERT_TRUE(load());
    table_.passwordEntry().reset();
    EXPECT_EQ(table_.blockedWordIn("www.tulip.example/"), "tulip");
    EXPECT_TRUE(table_.addWord("rose"));
    EXPECT_EQ(table_.blockedWordIn("www.rose.example/"), "rose");
}

TEST_F(WordTableTest, AnEmptyWordBlocksEveryText) {
    files_.complete().wordFile({"secret", "t", ""});
    ASSERT_TRUE(load({0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(table_.blockedWordIn("www.anything.example/"), "");
}

// The parent's words -----------------------------------------------------------------

TEST_F(WordTableTest, AWordIsAddedOnceAndKeptAsGiven) {
    files_.complete();
    ASSERT_TRUE(load());
    EXPECT_TRUE(table_.addWord("BadWord"));
    EXPECT_FALSE(table_.addWord("BadWord"));
    EXPECT_TRUE(table_.addWord("badword"));  // compared exactly
    EXPECT_EQ(table_.blockedWordIn("a BadWord here"), "BadWord");
    EXPECT_TRUE(table_.addWord(std::string(400, 'z')));
    EXPECT_EQ(table_.userWords().back().size(), WordTable::kWordChars);
}

TEST_F(WordTableTest, FirstAndNextWalkTheParentsWordsToANullWord) {
    files_.complete();
    ASSERT_TRUE(load());
    EXPECT_EQ(table_.firstUserWord(), std::nullopt);
    table_.setUserWords({"one", "two"});
    EXPECT_EQ(table_.firstUserWord(), "one");
    EXPECT_EQ(table_.nextUserWord(), "two");
    EXPECT_EQ(table_.nextUserWord(), std::nullopt);
    EXPECT_EQ(table_.nextUserWord(), std::nullopt);
    EXPECT_EQ(table_.firstUserWord(), "one");
}

TEST_F(WordTableTest, RemovingAWordMovesTheLaterOnesDown) {
    files_.categoryWords(0, {"shared"}).complete();
    ASSERT_TRUE(load());
    table_.setUserWords({"a1", "shared", "c3"});
    const size_t count = table_.wordCount();
    table_.removeUserWord("shared");
    EXPECT_EQ(table_.userWords(), (std::vector<std::string>{"a1", "c3"}));
    EXPECT_EQ(table_.wordCount(), count - 1);
    EXPECT_EQ(table_.slot(1), "shared");  // the category word stays
    table_.removeUserWord("absent");
    EXPECT_EQ(table_.wordCount(), count - 1);
    EXPECT_EQ(table_.blockedWordIn("xc3x"), "c3");
}

}  // namespace
}  // namespace tb
