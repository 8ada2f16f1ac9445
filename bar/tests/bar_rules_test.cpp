#include "bar/bar_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/vendor_endpoints.h"

namespace tb::bar {
namespace {

constexpr char kMain[] = "http://www.orvan.com/tamberly/bar/tbbar.asp";
constexpr char kNav[] = "http://www.orvan.com/tamberly/bar/tbnav.asp";
constexpr char kAd[] = "http://ads.fernwheel.biz/tamberly/microad.asp";
constexpr char kKids[] = "http://kids.example/";

// The page table's buffers, as the library hands them out (in mixed case
// here, to see the rules lower them where they live).
struct FakePages : BarPages {
    char nav[300] = "http://www.ORVAN.com/tamberly/bar/TBNAV.asp";
    char ad[300] = "http://ADS.fernwheel.biz/tamberly/microad.asp";
    char* navPage() override { return nav; }
    char* microAdPage() override { return ad; }
};

struct Bar {
    FakePages pages;
    ProcessCounters& counters;
    BarRules rules{pages, counters, vendor::kBannerImage};

    explicit Bar(ProcessCounters& shared) : counters(shared) {
        rules.setMainBarPage("http://www.orvan.com/Tamberly/Bar/tbbar.asp");
    }
    NavigationVerdict follow(const std::string& leaving, const std::string& url,
                             bool inWindow = false) {
        return rules.beforeNavigate2({leaving, url, inWindow});
    }
};

constexpr auto kMove = NavigationVerdict::OpenInMainWindow;
constexpr auto kStay = NavigationVerdict::LeaveAlone;

class BarNavigation : public ::testing::Test {
  protected:
    ProcessCounters counters;
    Bar bar{counters};
};

TEST_F(BarNavigation, ALinkFollowedInTheBarPageOrTheNavigationPageOpensInTheMainWindow) {
    EXPECT_EQ(bar.follow(kMain, kKids), kMove);
    EXPECT_EQ(bar.follow("HTTP://WWW.ORVAN.COM/TAMBERLY/BAR/TBNAV.ASP", kKids), kMove);
    EXPECT_STREQ(bar.pages.nav, kNav) << "the table's text is lower-cased in place";
    EXPECT_EQ(bar.follow(kMain, vendor::kBannerImage), kMove);
}

TEST_F(BarNavigation, LinksToTheNavigationPageOrTheMainBarPageStayWhereTheyAre) {
    EXPECT_EQ(bar.follow(kMain, "http://www.orvan.com/TAMBERLY/bar/tbnav.asp"), kStay);
    EXPECT_EQ(bar.follow(kNav, kMain), kStay);
    EXPECT_EQ(bar.follow(kMain, kMain), kStay);
}

TEST_F(BarNavigation, TheBrowsersOwnErrorAndCancelPagesAreLeftAlone) {
    EXPECT_EQ(bar.follow(kMain, "about:NavigationCanceled"), kStay);
    EXPECT_EQ(bar.follow(kMain, "res://ieframe.dll/dnserror.htm#http://x/"), kStay);
    // Both texts are compared as the browser writes them.
    EXPECT_EQ(bar.follow(kMain, "about:navigationcanceled"), kMove);
    EXPECT_EQ(bar.follow(kMain, "RES://ieframe.dll/dnserror.htm"), kMove);
}

TEST_F(BarNavigation, ANavigationFromAnyOtherPageIsNeverTouched) {
    EXPECT_EQ(bar.follow(kKids, "http://school.example/", true), kStay);
    EXPECT_EQ(bar.follow("", kMain), kStay) << "a browser that shows nothing yet";
    EXPECT_EQ(bar.follow(kAd, kKids), kStay) << "a link in the advertisement pane";
    EXPECT_EQ(bar.follow(kMain + std::string("?x"), kKids), kStay) << "compared whole";
}

TEST_F(BarNavigation, AMainWindowShowingABarPageGetsTheSentAddressThroughOnce) {
    EXPECT_EQ(bar.follow(kMain, kKids, true), kMove);
    EXPECT_EQ(bar.follow(kMain, kKids, true), kStay) << "the navigation the bar started";
    EXPECT_EQ(bar.follow(kMain, kKids, true), kMove) << "the user's next click";
    // A different navigation of the window in between forgets the sent one.
    EXPECT_EQ(bar.follow(kMain, kKids, false), kMove);
    EXPECT_EQ(bar.follow(kMain, "http://school.example/", true), kMove);
    EXPECT_EQ(bar.follow(kMain, kKids, true), kMove);
}

TEST_F(BarNavigation, AnEmptyTableTextMatchesNoPage) {
    bar.pages.nav[0] = '\0';
    bar.pages.ad[0] = '\0';
    bar.rules.setMainBarPage("");
    EXPECT_EQ(bar.follow("", kKids), kStay);
    EXPECT_FALSE(bar.rules.documentComplete(kKids, false, false).rememberAdBrowser);
}

class BarReload : public BarNavigation {};

TEST_F(BarReload, TheBarPageComesBackAfterAnErrorPageACancelledPageOrTheBareBanner) {
    EXPECT_TRUE(
        bar.rules.navigateComplete2(false, "res://ieframe.dll/dnserror.htm#" + std::string(kMain)));
    EXPECT_TRUE(bar.rules.navigateComplete2(false, "about:NavigationCanceled"));
    EXPECT_TRUE(bar.rules.navigateComplete2(false, vendor::kBannerImage));
    EXPECT_FALSE(bar.rules.navigateComplete2(false, kMain));
    EXPECT_FALSE(bar.rules.navigateComplete2(false, kKids));
    EXPECT_FALSE(bar.rules.navigateComplete2(false, "HTTP://WWW.ORVAN.COM/_MEM_BIN/BANNER.GIF"));
    EXPECT_FALSE(bar.rules.navigateComplete2(false, "about:navigationcanceled"));
}

TEST_F(BarReload, AnErrorPageOfTheAdvertisementPaneIsLeftAsItIs) {
    EXPECT_FALSE(bar.rules.navigateComplete2(
        false, "res://ieframe.dll/dnserror.htm#HTTP://ads.fernwheel.biz/tamberly/MICROAD.asp"));
    EXPECT_STREQ(bar.pages.ad, kAd);
}

TEST_F(BarReload, TheMainWindowsOwnPagesNeverReloadTheBar) {
    EXPECT_FALSE(bar.rules.navigateComplete2(true, "res://ieframe.dll/dnserror.htm"));
    EXPECT_FALSE(bar.rules.navigateComplete2(true, "about:NavigationCanceled"));
    EXPECT_FALSE(bar.rules.navigateComplete2(true, vendor::kBannerImage));
}

class BarRefresh : public BarNavigation {
  protected:
    // Completes n pages of the main window; counts the refreshes asked for.
    void windowPages(int n, Bar& b, int& adRefreshes, int& barRefreshes, bool adKnown = true) {
        for (int i = 0; i < n; ++i) {
            const DocumentActions a = b.rules.documentComplete(kKids, true, adKnown);
            EXPECT_FALSE(a.rememberAdBrowser);
            adRefreshes += a.refreshAdBrowser;
            barRefreshes += a.refreshBar;
        }
    }
};

TEST_F(BarRefresh, TheAdvertisementPaneIsFoundByItsAddressAndRefreshedAfterEachWindowPage) {
    EXPECT_TRUE(
        bar.rules
            .documentComplete("HTTP://ADS.FERNWHEEL.BIZ/tamberly/microad.asp?n=3", false, false)
            .rememberAdBrowser);
    const DocumentActions unknown = bar.rules.documentComplete(kKids, true, false);
    EXPECT_FALSE(unknown.refreshAdBrowser) << "no pane seen yet";
    EXPECT_TRUE(bar.rules.documentComplete(kKids, true, true).refreshAdBrowser);
    // Pages of the bar's own browser refresh nothing and are not counted.
    const DocumentActions inBar = bar.rules.documentComplete(kMain, false, true);
    EXPECT_FALSE(inBar.refreshAdBrowser || inBar.refreshBar);
    EXPECT_EQ(counters.completedPages.load(), 2);
}

TEST_F(BarRefresh, ElevenWindowPagesRefreshTheBarOnceAtTheTenth) {
    int ads = 0, bars = 0;
    windowPages(9, bar, ads, bars);
    EXPECT_EQ(bars, 0);
    windowPages(1, bar, ads, bars);
    EXPECT_EQ(bars, 1);
    windowPages(1, bar, ads, bars);
    EXPECT_EQ(bars, 1);
    EXPECT_EQ(ads, 11);
}

TEST_F(BarRefresh, EveryBarOfTheProcessCountsOnTheOneCounter) {
    Bar other{counters};
    int ads = 0, first = 0, second = 0;
    windowPages(6, bar, ads, first);
    windowPages(4, other, ads, second);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1) << "the tenth page of the process was the other window's";
}

TEST_F(BarRefresh, TheCounterWrapsAsA32BitCounterAndKeepsTheRhythm) {
    counters.completedPages = 2147483640 - 1;
    int ads = 0, bars = 0;
    windowPages(1, bar, ads, bars, false);
    EXPECT_EQ(bars, 1);
    windowPages(20, bar, ads, bars, false);  // through the wrap to negative counts
    EXPECT_EQ(bars, 2);                      // at -2147483640
    EXPECT_EQ(ads, 0);
}

}  // namespace
}  // namespace tb::bar
