#include "tools/browser_host/bar_navigator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace tb::host {
namespace {

using ::testing::ElementsAre;

constexpr char kBar[] = "http://bar.example/";
constexpr char kAd[] = "http://ads.example/pane";

// A band scripted per event: the verdict per address, and what it does
// from inside NavigateComplete2 and DocumentComplete.
struct ScriptedBand : BarEvents, Output {
    BarNavigator* nav = nullptr;
    std::vector<std::string> events;
    std::vector<std::string> lines;
    std::map<std::string, bool> cancel;
    std::function<void(uint32_t, const std::string&)> onNavigateComplete = [](auto, auto&) {};
    std::function<void(uint32_t, const std::string&)> onDocumentComplete = [](auto, auto&) {};

    static std::string at(uint32_t frame) { return frame ? " frame" + std::to_string(frame) : ""; }
    WindowEvents::Verdict beforeNavigate2(uint32_t frame, const std::string& url) override {
        const std::string leaving =
            frame ? nav->frameLocation(frame).value_or("?") : nav->location();
        events.push_back("Before" + at(frame) + " " + url + " from=" + leaving);
        return {cancel[url], 0, {}};
    }
    void navigateComplete2(uint32_t frame, const std::string& url) override {
        events.push_back("NavigateComplete" + at(frame) + " " + url);
        onNavigateComplete(frame, url);
    }
    void documentComplete(uint32_t frame, const std::string& url) override {
        events.push_back("DocumentComplete" + at(frame) + " " + url);
        onDocumentComplete(frame, url);
    }
    void line(const std::string& text) override {
        if (text.rfind("barnav ", 0) == 0 || text.rfind("error ", 0) == 0) lines.push_back(text);
    }
};

TEST(BarPages, TheFramesOfAPageAreItsIframesAndFramesInDocumentOrder) {
    const auto elements = scanHtml(
        "<html><body><IFRAME SRC=\"http://ads.example/pane\"></iframe>"
        "<frameset><frame name=x src='http://x.example/'><frame></frameset>");
    EXPECT_THAT(frameAddresses(elements),
                ElementsAre("http://ads.example/pane", "http://x.example/"));
    EXPECT_THAT(frameAddresses(tablePage("T", {}, {"http://a/", "http://b/"})),
                ElementsAre("http://a/", "http://b/"));
}

class BarControlNavigation : public ::testing::Test {
  protected:
    PageSource pages;
    ScriptedBand band;
    BarNavigator nav{"w", band, pages, band};

    void SetUp() override {
        band.nav = &nav;
        pages.define(kBar, tablePage("Bar", {}, {kAd}));
    }
};

TEST_F(BarControlNavigation, BeforeNavigate2NowThePageAndItsFramesWhenTheLoopRuns) {
    ASSERT_TRUE(nav.navigate(kBar));
    EXPECT_THAT(band.events, ElementsAre("Before http://bar.example/ from="));
    EXPECT_TRUE(nav.pending());
    nav.run();
    EXPECT_THAT(band.events, ElementsAre("Before http://bar.example/ from=",
                                         "NavigateComplete http://bar.example/",
                                         "Before frame1 http://ads.example/pane from=",
                                         "NavigateComplete frame1 http://ads.example/pane",
                                         "DocumentComplete frame1 http://ads.example/pane",
                                         "DocumentComplete http://bar.example/"));
    EXPECT_THAT(band.lines, ElementsAre("barnav w url=http://bar.example/ result=shown"));
    EXPECT_EQ(nav.location(), kBar);
    ASSERT_EQ(nav.frames().size(), 1u);
    EXPECT_EQ(nav.frames()[0].location, kAd);
}

TEST_F(BarControlNavigation, ACancelledNavigationKeepsThePageItLeaves) {
    nav.navigate(kBar);
    nav.run();
    band.events.clear();
    band.cancel["http://kids.example/"] = true;
    nav.navigate("http://kids.example/");
    nav.run();
    EXPECT_THAT(band.events, ElementsAre("Before http://kids.example/ from=http://bar.example/"));
    EXPECT_EQ(band.lines.back(), "barnav w url=http://kids.example/ result=cancelled");
    EXPECT_EQ(nav.location(), kBar);
}

TEST_F(BarControlNavigation, AnUnreachablePageShowsTheErrorPageWhichTheBandMayReplace) {
    pages.markUnreachable(kBar);
    bool reloaded = false;
    band.onNavigateComplete = [&](uint32_t, const std::string& url) {
        if (url.rfind("res://", 0) == 0 && !reloaded) {
            reloaded = true;
            pages.define("http://bar.example/again", tablePage("Bar", {}));
            nav.navigate("http://bar.example/again");
        }
    };
    nav.navigate(kBar);
    nav.run();
    EXPECT_THAT(band.lines, ElementsAre("barnav w url=http://bar.example/ result=replaced",
                                        "barnav w url=http://bar.example/again result=shown"));
    EXPECT_THAT(band.events, ::testing::Contains("NavigateComplete " + errorPageFor(kBar)));
    EXPECT_EQ(nav.location(), "http://bar.example/again");
}

TEST_F(BarControlNavigation, AFrameThatCannotBeReachedShowsItsErrorPageInsideThePage) {
    pages.markUnreachable(kAd);
    nav.navigate(kBar);
    nav.run();
    EXPECT_THAT(band.lines, ElementsAre("barnav w url=http://bar.example/ result=shown"));
    EXPECT_EQ(nav.frames()[0].location, errorPageFor(kAd));
}

TEST_F(BarControlNavigation, LinksInAFrameNavigateThatFrameOnly) {
    nav.navigate(kBar);
    nav.run();
    band.events.clear();
    const uint32_t ad = nav.frames()[0].id;
    ASSERT_TRUE(nav.navigate("http://ads.example/next", ad));
    nav.run();
    EXPECT_THAT(band.events,
                ElementsAre("Before frame1 http://ads.example/next from=http://ads.example/pane",
                            "NavigateComplete frame1 http://ads.example/next",
                            "DocumentComplete frame1 http://ads.example/next"));
    EXPECT_EQ(band.lines.back(), "barnav w url=http://ads.example/next result=shown frame=1");
    EXPECT_EQ(nav.location(), kBar);
    EXPECT_FALSE(nav.navigate("http://x/", 99)) << "no such frame";
}

TEST_F(BarControlNavigation, StopEndsTheLoadAndDropsWhatWasAskedFor) {
    band.onNavigateComplete = [&](uint32_t frame, const std::string&) {
        if (frame == 0) nav.stop();
    };
    nav.navigate(kBar);
    nav.run();
    EXPECT_THAT(band.lines, ElementsAre("barnav w url=http://bar.example/ result=stopped"));
    band.lines.clear();
    nav.navigate("http://kids.example/");
    nav.stop();
    nav.run();
    EXPECT_THAT(band.lines, ElementsAre("barnav w url=http://kids.example/ result=stopped"));
}

TEST_F(BarControlNavigation, ABandThatReloadsOnEveryPageIsCutOff) {
    pages.define("http://loop.example/", tablePage("Loop", {}));
    band.onDocumentComplete = [&](uint32_t, const std::string&) {
        nav.navigate("http://loop.example/");
    };
    nav.navigate("http://loop.example/");
    nav.run();
    EXPECT_EQ(band.lines.back(), "error w what=\"bar navigations keep replacing each other\"");
    EXPECT_FALSE(nav.pending());
}

}  // namespace
}  // namespace tb::host
