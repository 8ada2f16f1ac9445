#include "service/filter/filter_engine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "common/vendor_endpoints.h"
#include "service/process/tests/fake_seams.h"

namespace tb {
namespace {

using testing::ServiceFixture;

constexpr int kAdult = 0, kGambling = 3;

class FilterTest : public ::testing::Test, public ServiceFixture {
  protected:
    FilterVerdict filter(const std::string& address) { return service().filterURL(address); }
    std::string listsPage() { return service().state().pages.lists; }
    std::string wordsPage() { return service().state().pages.words; }
};

// Normalisation and the order of the tests -----------------------------------

TEST_F(FilterTest, AWebAddressIsJudgedAndLoggedInItsNormalForm) {
    const FilterVerdict v = filter("HTTP://WWW.Site.EXAMPLE/A");
    EXPECT_TRUE(v.allowed);
    EXPECT_FALSE(v.userAllowed);
    EXPECT_FALSE(v.replacement);
    EXPECT_TRUE(visited("www.site.example/a"));
}

TEST_F(FilterTest, AnyOtherAddressKeepsItsCaseAndGetsForwardSlashes) {
    files().block({"c:/dir/bad.htm"});
    EXPECT_TRUE(filter("c:\\dir\\File.htm").allowed);
    EXPECT_TRUE(visited("c:/dir/File.htm"));
    EXPECT_FALSE(filter("C:\\DIR\\BAD.HTM").allowed);  // the lists compare without case
}

TEST_F(FilterTest, TheVendorsDomainPassesEveryListAndIsLoggedAsGiven) {
    files().block({"www.orvan.com/"});
    const FilterVerdict v = filter("http://www.orvan.com/tamberly\\help.htm");
    EXPECT_TRUE(v.allowed);
    EXPECT_TRUE(v.userAllowed);
    EXPECT_TRUE(visited("http://www.orvan.com/tamberly/help.htm"));
}

TEST_F(FilterTest, AdvertisingServersPassEveryListAndAreNotLogged) {
    files().block({"ads.fernwheel.biz/", "img.fernwheel.biz/", "x.adfernwheel.example/"});
    for (const char* a : {"http://ads.fernwheel.biz/b.asp", "http://img.fernwheel.biz/",
                          "x.adfernwheel.example/p"}) {
        const FilterVerdict v = filter(a);
        EXPECT_TRUE(v.allowed && v.userAllowed) << a;
    }
    EXPECT_EQ(logged(), 0u);
}

TEST_F(FilterTest, TheAllowListWinsOverTheBlockList) {
    files().allow({"both.example/"}).block({"both.example/"});
    const FilterVerdict v = filter("http://both.example/page");
    EXPECT_TRUE(v.allowed);
    EXPECT_TRUE(v.userAllowed);
    EXPECT_TRUE(visited("both.example/page"));
}

TEST_F(FilterTest, TheBlockListWinsOverTheSecondAllowList) {
    files().block({"both.example/"}).allowC({"both.example/"});
    const FilterVerdict v = filter("http://both.example/page");
    EXPECT_FALSE(v.allowed);
    EXPECT_FALSE(v.userAllowed);
    EXPECT_EQ(v.replacement, listsPage());
    EXPECT_TRUE(blocked("both.example/page"));
    EXPECT_FALSE(visited("both.example/page"));
}

TEST_F(FilterTest, TheSecondAllowListWinsOverWordsAndCategories) {
    files()
        .allowC({"school.example/"})
        .category(kAdult, {"school.example/"})
        .wordFile({"", "t", "school"});
    const FilterVerdict v = filter("http://school.example/x");
    EXPECT_TRUE(v.allowed);
    EXPECT_TRUE(v.userAllowed);
}

TEST_F(FilterTest, WordsAreCheckedBeforeTheCategories) {
    files().blockPages().category(kGambling, {"www.casino.example/"}).wordFile({"", "t", "casino"});
    const FilterVerdict v = filter("http://www.casino.example/");
    EXPECT_FALSE(v.allowed);
    EXPECT_EQ(v.replacement, wordsPage());
    EXPECT_EQ(dir().read("tbWordBlocked.txt"), "casino\r\n");
}

TEST_F(FilterTest, TheFirstCategoryThatMatchesDecides) {
    files()
        .blockPages()
        .category(kAdult, {"www.x.example/"})
        .category(kGambling, {"www.x.example/a/"});
    EXPECT_FALSE(filter("http://www.x.example/a/b.htm").allowed);
    EXPECT_EQ(dir().read("tbURLBlocked.txt"), "www.x.example\r\n");  // the adult list's entry
    EXPECT_TRUE(blocked("www.x.example/a/b.htm"));
}

TEST_F(FilterTest, OnlyACategorySwitchedToExactlyOneIsSearched) {
    files().category(kAdult, {"www.x.example/"});
    for (uint16_t state : {0, 2}) {
        service().state().categoryStates[kAdult] = state;
        EXPECT_TRUE(filter("http://www.x.example/").allowed) << state;
    }
    service().state().categoryStates[kAdult] = 1;
    EXPECT_FALSE(filter("http://www.x.example/").allowed);
}

TEST_F(FilterTest, ACategoryListReplacedOnDiskIsUsedAtOnce) {
    files().category(kAdult, {"www.old.example/"});
    EXPECT_TRUE(filter("http://www.new.example/").allowed);
    files().category(kAdult, {"www.old.example/", "www.new.example/"});
    EXPECT_FALSE(filter("http://www.new.example/").allowed);
}

TEST_F(FilterTest, ListsWrittenUnderAnotherKeyNoLongerMatchOnceEveryCategoryIsOff) {
    files().block({"bad.example/"});
    EXPECT_FALSE(filter("http://bad.example/").allowed);
    service().state().categoryStates = {0, 0, 0, 0, 0, 0};
    service().load();
    EXPECT_EQ(service().state().listKey, kDefaultListKey);
    EXPECT_TRUE(filter("http://bad.example/").allowed);
}

TEST_F(FilterTest, BeforeTheListsAreLoadedEverythingIsLetThrough) {
    files().complete().block({"bad.example/"});
    dir().remove("TBinF.dat");
    EXPECT_FALSE(service().state().ready);
    const FilterVerdict v = filter("http://bad.example/");
    EXPECT_TRUE(v.allowed && v.userAllowed && !v.replacement);
    EXPECT_EQ(logged(), 0u);
}

// Length limits ----------------------------------------------------------------

TEST_F(FilterTest, OnlyAddressesOfFourTo210CharactersAreFiltered) {
    files().block({"bad.example/"});
    const std::string head = "http://bad.example/";
    const std::string of210 = head + std::string(210 - head.size(), 'x');
    const std::string of211 = of210 + "x";
    EXPECT_FALSE(filter(of210).allowed);
    const FilterVerdict longer = filter(of211);
    EXPECT_TRUE(longer.allowed && longer.userAllowed);
    EXPECT_FALSE(filter("ab.c").userAllowed);
    EXPECT_TRUE(filter("a.b").userAllowed);
    EXPECT_TRUE(filter("").userAllowed);
    EXPECT_TRUE(filter(std::string("ab\0cdef", 7)).userAllowed);  // ends at the NUL
    EXPECT_TRUE(visited("ab.c"));
    EXPECT_FALSE(visited("a.b"));
    EXPECT_EQ(logged(), 2u);
}

// The word check ---------------------------------------------------------------

TEST_F(FilterTest, SwitchingWordFilteringOffSparesPagesButNotAddresses) {
    files().wordFile({"", "f", "casino"});
    EXPECT_TRUE(service().passesFilterList("http://a.example/", "Casino night").passed);
    EXPECT_FALSE(filter("http://casino.example/").allowed);
}

TEST_F(FilterTest, APageWithABlockedWordIsReplacedAndItsAddressLogged) {
    files().blockPages().wordFile({"", "t", "casino"});
    const PageVerdict fails =
        service().passesFilterList("HTTP://Page.Example\\x", "Welcome to CASINO night");
    EXPECT_FALSE(fails.passed);
    EXPECT_EQ(fails.replacement, wordsPage());
    EXPECT_TRUE(blocked("page.example/x"));
    const PageVerdict passes = service().passesFilterList("http://page.example/y", "Welcome");
    EXPECT_TRUE(passes.passed);
    EXPECT_FALSE(passes.replacement);
}

TEST_F(FilterTest, AnEmptyWordTableFailsEveryPage) {
    files().wordFile({"", "t"});
    service().state().categoryStates = {0, 0, 0, 0, 0, 0};
    service().load();
    service().wordTable().passwordEntry().reset();
    ASSERT_TRUE(service().wordTable().empty());
    const PageVerdict v = service().passesFilterList("http://a.example/", "harmless");
    EXPECT_FALSE(v.passed);
    EXPECT_EQ(v.replacement, wordsPage());
}

TEST_F(FilterTest, AnEmptyWordBlocksEveryAddressThatReachesTheWordCheck) {
    files().allowC({"kids.example/"}).wordFile({"", "t", ""});
    EXPECT_EQ(filter("http://anything.example/").replacement, wordsPage());
    EXPECT_TRUE(filter("http://kids.example/").allowed);
}

TEST_F(FilterTest, PagesFailWhileTheServiceIsNotReady) {
    files().complete();
    dir().remove("tbfE.dat");
    EXPECT_FALSE(service().passesFilterList("http://a.example/", "harmless").passed);
    EXPECT_FALSE(service().isURLAllowed("a.example"));
}

// Resources and block pages ----------------------------------------------------

TEST_F(FilterTest, ResourcesAreLoggedOnlyWhileTheLocalBlockPagesAreInUse) {
    EXPECT_TRUE(filter("http://a.example/p.gif").allowed);
    EXPECT_FALSE(visited("a.example/p.gif"));
    EXPECT_TRUE(filter("http://a.example/P.GIF").allowed);  // the extension test keeps case
    EXPECT_TRUE(visited("a.example/p.gif"));

    ServiceFixture local;
    local.files().blockPages();
    local.service().filterURL("http://a.example/s.js");
    EXPECT_TRUE(local.visited("a.example/s.js"));
}

TEST_F(FilterTest, ABlockedAddressGetsTheLocalPageAndItsEntryIsWrittenDown) {
    files().blockPages().block({"bad.example/"});
    EXPECT_EQ(filter("http://bad.example/x/y.htm").replacement, dir().file("restricted1.htm"));
    EXPECT_EQ(dir().read("tbURLBlocked.txt"), "bad.example\r\n");
}

// The one-line file is written only when its entry changes or it is gone.
TEST_F(FilterTest, TheSameBlockedEntryAgainIsNotWrittenAgain) {
    files().blockPages().block({"bad.example/", "worse.example/"});
    filter("http://bad.example/a.htm");
    const std::filesystem::path entry = dir().file("tbURLBlocked.txt");
    std::filesystem::last_write_time(
        entry, std::filesystem::file_time_type::clock::now() - std::chrono::hours(24));
    const auto old = std::filesystem::last_write_time(entry);  // as the system keeps it
    filter("http://bad.example/b.htm");
    EXPECT_EQ(std::filesystem::last_write_time(entry), old) << "written again";
    filter("http://worse.example/");
    EXPECT_EQ(dir().read("tbURLBlocked.txt"), "worse.example\r\n");
    std::filesystem::remove(entry);
    filter("http://worse.example/");
    EXPECT_EQ(dir().read("tbURLBlocked.txt"), "worse.example\r\n");
}

TEST_F(FilterTest, AMissingLocalPageGivesWayToTheRemotePage) {
    files().block({"bad.example/"}).wordFile({"", "t", "casino"});
    dir().write("restricted3.htm", "<html></html>");
    EXPECT_EQ(filter("http://bad.example/").replacement, vendor::kRemoteRestrictedPage);
    EXPECT_FALSE(dir().has("tbURLBlocked.txt"));
    EXPECT_EQ(filter("http://casino.example/").replacement, dir().file("restricted3.htm"));
    EXPECT_EQ(service().localErrorPage(), dir().file("restricted0.htm"));  // never replaced
    EXPECT_EQ(service().state().pages.time, vendor::kRemoteRestrictedPage);
}

// The site log's Allowed flag ----------------------------------------------------

TEST_F(FilterTest, IsUrlAllowedAnswersTheLoggedFlagOfTheAddressAsGiven) {
    filter("http://a.example/");
    service().siteLogs().findVisited("a.example/")->allowed = 0;
    EXPECT_EQ(service().isURLAllowed("a.example/"), false);
    EXPECT_EQ(service().isURLAllowed("http://a.example/"), true);  // not normalised: not logged
    EXPECT_EQ(service().isURLAllowed("never.example"), true);
}

// The system's own pages ---------------------------------------------------------

TEST_F(FilterTest, InternalPagesAreTheBlockPagesTheUpdatePagesAndTheVendorsHost) {
    files().blockPages();
    ServiceCore& s = service();
    EXPECT_TRUE(s.internalURLMatch(dir().file("restricted1.htm")));
    EXPECT_TRUE(s.internalURLMatch("file://" + dir().file("restricted3.htm")));
    EXPECT_TRUE(s.internalURLMatch("http://www.orvan.com/tamberly/anything.asp"));
    EXPECT_TRUE(s.internalURLMatch("http://elsewhere.example/tamberlyupdateerror.asp"));
    EXPECT_TRUE(s.internalURLMatch("http://elsewhere.example/tamberlyrestricted.asp"));
    EXPECT_FALSE(s.internalURLMatch("http://news.example/story.htm"));
    EXPECT_FALSE(s.internalURLMatch("http://news.example/htm"));  // a segment under 4 characters
    EXPECT_FALSE(s.internalURLMatch("a.ex"));
    EXPECT_FALSE(
        s.internalURLMatch("http://www.orvan.com/" + std::string(240, 'x') + "/restricted1.htm"));
}

}  // namespace
}  // namespace tb
