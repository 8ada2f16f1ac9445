#include "manager/site_list_rules.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <utility>

namespace tb::manager {
namespace {

class InUtc : public ::testing::Test {
  protected:
    void SetUp() override {
#ifdef _WIN32
        _putenv("TZ=UTC0");
        _tzset();
#else
        setenv("TZ", "UTC", 1);
        tzset();
#endif
    }
};

using LogEntryText = InUtc;

TEST_F(LogEntryText, IsTheSeventeenCharacterDateThreeBlanksAndTheAddress) {
    // 2000-12-08 15:45:00 UTC
    EXPECT_EQ(logEntryText(976290300, "www.site.example/"),
              "12/08/00 03:45 PM   www.site.example/");
    EXPECT_EQ(logEntryText(0, "a/"), "01/01/70 12:00 AM   a/");
}

TEST_F(LogEntryText, AddressComesBackFromTheTwentyFirstCharacter) {
    const std::string text = logEntryText(976290300, "x.example/p q");
    EXPECT_EQ(entryAddress(text), "x.example/p q");
    EXPECT_EQ(entryAddress("short"), "");
    EXPECT_EQ(entryAddress(std::string(20, 'x')), "");
}

TEST_F(LogEntryText, KeepsItsShapeForATimeTheLibraryCannotShow) {
    const std::string text = logEntryText(-2000000000, "a.example/");
    EXPECT_EQ(entryAddress(text), "a.example/");
}

TEST(LoggedSite, ReadsTheNumberUpToTheBlankAndEverythingAfterAsTheAddress) {
    const LoggedSite s = parseLoggedSite("  976290300 a.example/x y");
    EXPECT_EQ(s.time, 976290300);
    EXPECT_EQ(s.address, "a.example/x y");
    EXPECT_EQ(parseLoggedSite("12").address, "");
    EXPECT_EQ(parseLoggedSite("12").time, 12);
    EXPECT_EQ(parseLoggedSite("").time, 0);
    EXPECT_EQ(parseLoggedSite("-5 b/").time, -5);
    EXPECT_EQ(formatLoggedSite(-5, "b/"), "-5 b/");
    EXPECT_EQ(formatLoggedSite(976290300, "a.example/"), "976290300 a.example/");
}

TEST(Candidate, WebAndFileAddressesTakeTheNormalForm) {
    EXPECT_EQ(normaliseCandidate("HTTP://WWW.Site.Example/A/b.html"), "www.site.example/a/b.html");
    EXPECT_EQ(normaliseCandidate("file://C:/Dir/Page.htm"), "c:/dir/page.htm");
    EXPECT_EQ(normaliseCandidate("C:\\Kids\\Game.EXE"), "C:\\Kids\\Game.EXE");
    EXPECT_EQ(normaliseCandidate("//Server/Share"), "//Server/Share");
    EXPECT_EQ(normaliseCandidate(" \t HTTP://Host.Example/ "), "host.example/");
    EXPECT_EQ(normaliseCandidate("   "), "");
}

TEST(Candidate, EntireSectionCutsAfterTheLastSlashOrAppendsOne) {
    EXPECT_EQ(cutToSection("www.site.example/a/b.html"), "www.site.example/a/");
    EXPECT_EQ(cutToSection("www.site.example/a/"), "www.site.example/a/");
    EXPECT_EQ(cutToSection("C:\\Kids\\Game.EXE"), "C:\\Kids\\Game.EXE/");
    EXPECT_EQ(cutToSection(""), "/");
}

TEST(Candidate, AllowSitesAlwaysEndsInASlash) {
    EXPECT_EQ(allowCandidate("Host.Example"), "host.example/");
    EXPECT_EQ(allowCandidate("http://host.example/a/"), "host.example/a/");
    EXPECT_EQ(allowCandidate(" \t "), "");
}

TEST(Candidate, TheVendorDomainIsRecognisedInAnyCase) {
    EXPECT_TRUE(mentionsVendorDomain("www.ORVAN.Com/x"));
    EXPECT_TRUE(mentionsVendorDomain("sub.orvan.com.example/"));
    EXPECT_FALSE(mentionsVendorDomain("orvan.co/"));
    EXPECT_EQ(vendorRefusalText(),
              "Tamberly uses portions of the orvan.com website.\n"
              "Therefore, orvan.com and the word Orvan cannot be blocked.");
}

TEST(Candidate, DuplicatesAreExactAndEmptyEntriesNeverMatch) {
    const std::vector<std::string> list = {"", "a.example/"};
    EXPECT_TRUE(containsExactly(list, "a.example/"));
    EXPECT_FALSE(containsExactly(list, "A.example/"));
    EXPECT_FALSE(containsExactly(list, ""));
}

// A list that records its moves, as the list control would perform them.
class VectorList : public EntryList {
  public:
    explicit VectorList(std::vector<std::pair<std::string, uint32_t>> e) : entries(std::move(e)) {}
    size_t count() const override { return entries.size(); }
    std::string text(size_t i) const override { return entries.at(i).first; }
    uint32_t data(size_t i) const override { return entries.at(i).second; }
    void moveToEnd(size_t i) override {
        auto copy = entries.at(i);
        entries.push_back(copy);
        entries.erase(entries.begin() + static_cast<long>(i));
        ++moves;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (auto& e : entries) out.push_back(e.first);
        return out;
    }
    std::vector<std::pair<std::string, uint32_t>> entries;
    int moves = 0;
};

std::string entry(const char* tag, const char* address) {
    return std::string(tag) + std::string(20 - std::string(tag).size(), ' ') + address;
}

TEST(Sorting, ByDateKeepsEqualTimesInTheirOrderBothWays) {
    VectorList list({{"a", 5}, {"b", 9}, {"c", 5}, {"d", 1}, {"e", 9}});
    sortEntries(list, SortKey::Date, true);
    EXPECT_EQ(list.texts(), (std::vector<std::string>{"b", "e", "a", "c", "d"}));
    EXPECT_EQ(list.moves, 5);
    sortEntries(list, SortKey::Date, false);
    EXPECT_EQ(list.texts(), (std::vector<std::string>{"d", "a", "c", "b", "e"}));
}

TEST(Sorting, DatesCompareAsUnsignedValues) {
    VectorList list({{"negative", 0xFFFFFFF0u}, {"small", 3}});
    sortEntries(list, SortKey::Date, true);
    EXPECT_EQ(list.texts().front(), "negative");
}

TEST(Sorting, ByAddressIsByteOrderFromTheTwentyFirstCharacter) {
    VectorList list({{entry("1", "b.example/"), 1},
                     {entry("2", "B.example/"), 2},
                     {entry("3", "a.example/"), 3},
                     {entry("4", "\xE9.example/"), 4},
                     {entry("5", "a.example/"), 5}});
    sortEntries(list, SortKey::Address, false);
    std::vector<uint32_t> order;
    for (auto& e : list.entries) order.push_back(e.second);
    EXPECT_EQ(order, (std::vector<uint32_t>{2, 3, 5, 1, 4}));
    sortEntries(list, SortKey::Address, true);
    order.clear();
    for (auto& e : list.entries) order.push_back(e.second);
    EXPECT_EQ(order, (std::vector<uint32_t>{4, 1, 3, 5, 2}));
}

TEST(Sorting, HeaderClicksToggleAsTheStateSays) {
    SortStep s = resortAfterFill(0);
    EXPECT_TRUE(s.key == SortKey::Date && s.descending && s.nextState == 1);
    s = dateHeaderClicked(1);
    EXPECT_TRUE(s.key == SortKey::Date && !s.descending && s.nextState == 0);
    s = dateHeaderClicked(0);
    EXPECT_TRUE(s.descending && s.nextState == 1);
    s = addressHeaderClicked(1);
    EXPECT_TRUE(s.key == SortKey::Address && !s.descending && s.nextState == 2);
    s = addressHeaderClicked(2);
    EXPECT_TRUE(s.descending && s.nextState == 3);
    s = dateHeaderClicked(3);
    EXPECT_TRUE(s.key == SortKey::Date && !s.descending && s.nextState == 0);
}

}  // namespace
}  // namespace tb::manager
