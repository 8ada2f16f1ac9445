#include "service/lists/list_file.h"

#include <gtest/gtest.h>

#include <map>

#include "service/lists/list_search_index.h"
#include "service/lists/list_store.h"
#include "service/lists/tests/list_builder.h"
#include "service/lists/tests/reference_list_search.h"

namespace tb {
namespace {

using testing::kTestKey;
using testing::TempDirectory;

class ListSearch : public ::testing::Test {
  protected:
    // Searches the bytes for the address with the index, and checks that
    // reading the file line by line gives the same answer.
    bool search(const std::string& bytes, const std::string& address, bool indexed,
                std::string* cut = nullptr) {
        ListSearchIndex index(97);  // restart points close together
        index.build(bytes, indexed);
        std::string url = encoded(address, key_);
        const bool found = index.search(url, bytes);

        dir_.write("list.dat", bytes);
        auto file = TextFile::open(dir_.file("list.dat"), TextFile::Mode::Read);
        EXPECT_TRUE(file);
        std::string read = encoded(address, key_);
        ListIndex header;
        EXPECT_EQ(testing::referenceSearch(*file, indexed ? &header : nullptr, read), found)
            << address;
        EXPECT_EQ(read, url) << address;
        if (cut) *cut = decoded(url, key_);
        return found;
    }
    bool inPlain(const std::vector<std::string>& entries, const std::string& address) {
        return search(listc::plainListFile(entries, key_), address, false);
    }
    bool inCategory(const std::vector<std::string>& entries, const std::string& address) {
        return search(listc::categoryListFile(entries, key_), address, true);
    }
    // A header in the compiler's form whose sections start at the given
    // offsets (every other section at `rest`).
    static std::string header(const std::map<char, long>& offsets, long rest) {
        std::string out;
        for (int c = 32; c <= 126; ++c) {
            const auto it = offsets.find(static_cast<char>(c));
            out += std::string(1, static_cast<char>(c)) + "\r\n" +
                   std::to_string(it == offsets.end() ? rest : it->second) + "\r\n";
        }
        return out;
    }
    std::string entry(const std::string& address) const { return encoded(address, key_) + "\r"; }

    TempDirectory dir_;
    std::string key_ = kTestKey;
};

// Matching by ending ---------------------------------------------------------

TEST_F(ListSearch, AnEntryEndingInSlashCoversTheSiteAndEverythingBelowIt) {
    const std::vector<std::string> list = {"other.example/", "bad.example/"};
    EXPECT_TRUE(inPlain(list, "bad.example"));
    EXPECT_TRUE(inPlain(list, "bad.example/"));
    EXPECT_TRUE(inPlain(list, "bad.example/x/y.htm"));
    EXPECT_FALSE(inPlain(list, "good.example/x"));
}

TEST_F(ListSearch, AnEntryWithAPathCoversThatPathOnly) {
    const std::vector<std::string> list = {"bad.example/x"};
    EXPECT_TRUE(inPlain(list, "bad.example/x"));
    EXPECT_TRUE(inPlain(list, "bad.example/x/"));
    EXPECT_FALSE(inPlain(list, "bad.example/x/y.htm"));
    EXPECT_FALSE(inPlain(list, "bad.example"));
    EXPECT_FALSE(inPlain(list, "bad.example/xy"));
}

TEST_F(ListSearch, NothingBeforeTheMatchingTextIsTested) {
    // With a key that shifts nothing the encoded texts are the upper-case
    // texts, and an entry matches an address that is its ending.
    key_ = "\x01";
    EXPECT_TRUE(inPlain({"notbad.example/"}, "bad.example/"));
    EXPECT_TRUE(inPlain({"abcsite.example/"}, "site.example/page"));
    EXPECT_FALSE(inPlain({"bad.example/"}, "notbad.example/"));
}

TEST_F(ListSearch, PrefixesShorterThanThreeCharactersAreNeverSearched) {
    EXPECT_FALSE(inPlain({"ab/"}, "ab/x"));
    EXPECT_FALSE(inPlain({"ab"}, "ab"));
    EXPECT_TRUE(inPlain({"abc/"}, "abc/x"));
    EXPECT_TRUE(inPlain({"abc"}, "abc"));
}

TEST_F(ListSearch, AMatchLeavesTheAddressCutAtTheMatchingPrefix) {
    std::string cut;
    ASSERT_TRUE(
        search(listc::plainListFile({"bad.example/"}, key_), "bad.example/x/y.htm", false, &cut));
    EXPECT_EQ(cut, "bad.example");
    ASSERT_TRUE(
        search(listc::plainListFile({"bad.example/x/"}, key_), "bad.example/x/y.htm", false, &cut));
    EXPECT_EQ(cut, "bad.example/x");
}

TEST_F(ListSearch, EntriesEndedByLineFeedsMatchLikeThoseEndedByCarriageReturns) {
    const std::string crlf =
        encoded("first.example/", key_) + "\r\n" + encoded("bad.example/x", key_) + "\r\n";
    EXPECT_TRUE(search(crlf, "bad.example/x", false));
    EXPECT_TRUE(search(crlf, "first.example/page", false));
    const std::string lf = encoded("bad.example/x", key_) + "\n";
    EXPECT_TRUE(search(lf, "bad.example/x", false));
}

TEST_F(ListSearch, AnOccurrenceOverlappingAnEarlierOneStillCounts) {
    // With a key that shifts nothing, the encoded texts are the upper-case
    // texts, and "AAAA" first occurs in "AAAAA" one place before its end.
    key_ = "\x01";
    EXPECT_TRUE(inPlain({"aaaaa"}, "aaaa"));
    EXPECT_TRUE(inPlain({"ababab"}, "abab"));
}

// Sections of the category lists --------------------------------------------

TEST_F(ListSearch, ACategoryAddressIsFoundInTheSectionOfItsFifthCharacter) {
    const std::vector<std::string> list = {"www.alpha.example/", "www.beta.example/", "abc",
                                           "xyz.example/"};
    EXPECT_TRUE(inCategory(list, "www.alpha.example/page.htm"));
    EXPECT_TRUE(inCategory(list, "www.beta.example/"));
    EXPECT_TRUE(inCategory(list, "xyz.example/a"));
    EXPECT_TRUE(inCategory(list, "abc"));  // short: searched from the start of the data
    EXPECT_FALSE(inCategory(list, "www.gamma.example/"));
}

TEST_F(ListSearch, AnEntryFiledInAnotherSectionIsNotFound) {
    const std::string data = entry("www.alpha.example/");
    // The entry's fifth character is 'A'; here it lies in section 'B'.
    std::map<char, long> misfiled;
    for (char c = ' '; c <= 'B'; ++c) misfiled[c] = 0;
    EXPECT_FALSE(search(header(misfiled, long(data.size())) + data, "www.alpha.example/", true));
    std::map<char, long> filed;
    for (char c = ' '; c <= 'A'; ++c) filed[c] = 0;
    EXPECT_TRUE(search(header(filed, long(data.size())) + data, "www.alpha.example/", true));
}

TEST_F(ListSearch, TheTildeSectionRunsToTheEndOfTheFile) {
    EXPECT_TRUE(inCategory({"www.alpha.example/", "abcd~tilde.example/"}, "abcd~tilde.example/x"));
    // The header sets no end for '~': the section runs on past a last offset.
    const std::string data = entry("www.alpha.example/") + entry("abcd~tilde.example/");
    std::map<char, long> offsets;
    for (char c = ' '; c <= 'A'; ++c) offsets[c] = 0;
    offsets['~'] = long(entry("www.alpha.example/").size());
    EXPECT_TRUE(search(header(offsets, offsets['~']) + data, "abcd~tilde.example/", true));
}

TEST_F(ListSearch, AListReplacedOnDiskIsUsedAtOnce) {
    testing::ServiceFiles(dir_, key_).category(0, {"www.alpha.example/"}).complete();
    ListStore store;
    ASSERT_TRUE(store.open(dir_.dir()));
    const std::string omega = encoded("www.omega.example/", key_);
    std::string url = omega;
    EXPECT_FALSE(store.search(List::D, url));
    // Another program writes the list anew in place.
    auto replace = [&](const std::vector<std::string>& entries) {
        dir_.write("TBinD.dat", listc::categoryListFile(entries, key_));
    };
    replace({"www.alpha.example/", "www.omega.example/"});
    url = omega;
    store.noticeChanges();
    EXPECT_TRUE(store.search(List::D, url));
    // Written again, to the same size.
    replace({"www.alpha.example/", "www.omegb.example/"});
    std::filesystem::last_write_time(
        dir_.file("TBinD.dat"),
        std::filesystem::last_write_time(dir_.file("TBinD.dat")) + std::chrono::seconds(2));
    url = omega;
    store.noticeChanges();
    EXPECT_FALSE(store.search(List::D, url));
}

TEST_F(ListSearch, BadOffsetsNeverTakeTheSearchOutsideTheDataNorLoop) {
    const std::string data = entry("www.alpha.example/") + entry("www.beta.example/");
    const std::string address = "www.alpha.example/";
    // Negative: taken as the start of the data.
    EXPECT_TRUE(search(header({{'A', -500}}, long(data.size())) + data, address, true));
    // Out of order: the section ends before it starts, so it is empty.
    EXPECT_FALSE(search(header({{'A', 20}, {'B', 3}}, long(data.size())) + data, address, true));
    // Past the end of the file: nothing to read.
    EXPECT_FALSE(search(header({{'A', 99999}}, 99999) + data, address, true));
    // Far outside the 32-bit range: held to the data at both ends.
    EXPECT_TRUE(
        search("A\r\n-99999999999999\r\nB\r\n99999999999999\r\n~\r\n0\r\n" + data, address, true));
    // A header cut off in the middle of a pair.
    EXPECT_FALSE(search(" \r\n0\r\nA\r\n", address, true));
    EXPECT_FALSE(search("", address, true));
}

// Lines longer than the buffer ------------------------------------------------

TEST_F(ListSearch, EveryEntryIsFoundWhereverTheLineBufferCutsTheList) {
    std::vector<std::string> list;
    for (int i = 0; i < 300; ++i) list.push_back("site" + std::to_string(i) + ".example/");
    const std::string bytes = listc::plainListFile(list, key_);
    ASSERT_GT(bytes.size(), 3 * kListLineChars);
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(search(bytes, "site" + std::to_string(i) + ".example/index.htm", false)) << i;
    }
}

TEST_F(ListSearch, AnEntryLongerThanTheLineBufferIsReadToItsEnd) {
    // Whichever place the buffer's end falls on in the entry's ending, the
    // search ends, finds the entry and the one after it. (A key that shifts
    // nothing lets the long entry end in the address.)
    key_ = "\x01";
    for (size_t pad = 990; pad < 1030; ++pad) {
        // Written by hand: the list compiler cuts entries to 1023 characters.
        const std::string bytes =
            entry(std::string(pad, 'q') + ".longsite.example/") + entry("after.example/");
        EXPECT_TRUE(search(bytes, "longsite.example/page", false)) << pad;
        EXPECT_TRUE(search(bytes, "after.example/", false)) << pad;
        EXPECT_FALSE(search(bytes, "qqqq.example/", false)) << pad;
    }
    // An entry of many buffers' length with no end at all.
    EXPECT_FALSE(search(std::string(5000, 'Q'), "qqqqq.example", false));
}

// The index header -----------------------------------------------------------

TEST(IndexHeader, ReadsOffsetPairsUpToTheTildePair) {
    TempDirectory dir;
    dir.write("h.dat", " \r\n0\r\nA\r\n  12\n\x05\r\n77\r\nB\r\n-3\r\n~\r\n+40\r\nDATA");
    const ListIndex index = readIndexHeader(dir.read("h.dat"));
    auto file = TextFile::open(dir.file("h.dat"), TextFile::Mode::Read);
    EXPECT_EQ(testing::referenceIndexHeader(*file).offsets, index.offsets);
    EXPECT_TRUE(index.present[0]);
    EXPECT_EQ(index.offsets['A' - 32], 12);
    EXPECT_EQ(index.offsets['B' - 32], -3);
    EXPECT_EQ(index.offsets['~' - 32], 40);
    EXPECT_FALSE(index.present['C' - 32]);
    EXPECT_EQ(index.dataStart,
              std::string(" \r\n0\r\nA\r\n  12\n\x05\r\n77\r\nB\r\n-3\r\n~\r\n+40\r\n").size());
}

TEST(IndexHeader, EndsAtAFirstLineAboveTildeWithoutReadingItsOffset) {
    TempDirectory dir;
    dir.write("h.dat", "A\r\n5\r\n\x7f\r\n9\r\n");
    const ListIndex index = readIndexHeader(dir.read("h.dat"));
    EXPECT_EQ(index.offsets['A' - 32], 5);
    EXPECT_EQ(index.dataStart, 9u);  // after the line of character 127
}

}  // namespace
}  // namespace tb
